"""The end while the program is sending: morvane_scripted, the real program on
the real POSIX platform with its desktop state read from a file, sends three
bytes every cycle; SIGINTs arrive at random moments. Under the tsan preset this
is the console-event path end to end."""

import os
import random
import signal
import time
import unittest

from harness.board import UNO, FakeBoard
from harness.paths import required_path
from harness.program import WorkFolder, wait_for_output
from harness.texts import END, HOW_TO_END

CYCLE = b"RbG"  # Caps Lock on, the input method on


class EndMidCycleTest(unittest.TestCase):
    def setUp(self):
        self.work = WorkFolder()
        self.addCleanup(self.work.cleanup)
        self.state = os.path.join(self.work.path, "state")
        with open(self.state, "wb") as f:
            f.write(b"110")

    def assert_whole_cycles_then_dark(self, received):
        self.assertTrue(received.endswith(b"rgb"), received)
        sent = received[:-3]
        self.assertEqual(sent, (CYCLE * (len(sent) // 3 + 1))[:len(sent)], received)

    def test_signals_at_any_moment_end_after_the_bytes_sent_with_the_lamp_dark(self):
        moments = random.Random(5)
        for attempt in range(6):
            with self.subTest(attempt=attempt):
                board = FakeBoard(delay=0.05)
                sysfs = self.work.show_ports((UNO, board.path), tree=f"sys{attempt}")
                process = self.work.start(required_path("MORVANE_SCRIPTED"), sysfs,
                                          env={"MORVANE_SCRIPTED_STATE": self.state})
                wait_for_output(process, HOW_TO_END)
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
    unittest.main()
