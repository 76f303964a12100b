"""The end while the program is sending: morvane_scripted, the real program on
the real POSIX platform with its desktop state read from a file, sends three
bytes every cycle; SIGINTs arrive at random moments. Under the tsan preset this
is the console-event path end to end."""

import os
import random
import signal
import sys
import tempfile
import time
import unittest

from fake_board import FakeBoard, make_sysfs, start_program, wait_for_output

BINARY = os.environ["MORVANE_SCRIPTED"]
INSTRUCTIONS = "[Shift]キー + [Esc]キーを合わせて押すと終了します。\n\n"
END = "\n終了しました。\n"
CYCLE = b"RbG"  # Caps Lock on, the input method on


class EndMidCycleTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.work = self.folder.name
        with open(os.path.join(self.work, "arduino_portname.txt"), "w") as f:
            f.write("Arduino Uno\n")
        state = os.path.join(self.work, "state")
        with open(state, "wb") as f:
            f.write(b"110")
        os.environ["MORVANE_SCRIPTED_STATE"] = state

    def tearDown(self):
        self.folder.cleanup()

    def assert_whole_cycles_then_dark(self, received):
        self.assertTrue(received.endswith(b"rgb"), received)
        sent = received[:-3]
        self.assertEqual(sent, (CYCLE * (len(sent) // 3 + 1))[:len(sent)], received)

    def test_signals_at_any_moment_end_after_the_bytes_sent_with_the_lamp_dark(self):
        moments = random.Random(5)
        for attempt in range(6):
            with self.subTest(attempt=attempt):
                board = FakeBoard(delay=0.05)
                sysfs = os.path.join(self.work, f"sys{attempt}")
                make_sysfs(sysfs, [("ttyACM0", "Arduino Uno", board.path)])
                process = start_program(BINARY, self.work, sysfs)
                wait_for_output(process, INSTRUCTIONS)
                time.sleep(moments.uniform(0.3, 0.6))
                for _ in range(3):
                    process.send_signal(signal.SIGINT)
                out, err = process.communicate(timeout=20)
                self.assertEqual(err, b"")
                self.assertEqual(process.returncode, 0)
                self.assertTrue(out.decode("utf-8").endswith(END))
                time.sleep(0.2)
                board.close()
                self.assert_whole_cycles_then_dark(bytes(board.received))


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(__file__))
    unittest.main()
