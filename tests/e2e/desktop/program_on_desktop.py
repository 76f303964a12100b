"""The real program on a private desktop that run_program_e2e.sh started."""

import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from fake_board import FakeBoard, make_sysfs, start_program, wait_for_output  # noqa: E402

INSTRUCTIONS = "[Shift]キー + [Esc]キーを合わせて押すと終了します。\n\n"
IME_ON = "IMEがONです。\n"
IME_OFF = "IMEがOFFで、半角英数モードです。\n"
SAVER = "スクリーンセイバーが起動しました。\n"
END = "\n終了しました。\n"


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


class ProgramOnDesktopTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        work = self.folder.name
        with open(os.path.join(work, "arduino_portname.txt"), "w") as f:
            f.write("Arduino Uno\n")
        self.board = FakeBoard()
        make_sysfs(os.path.join(work, "sys"), [("ttyACM0", "Arduino Uno", self.board.path)])
        self.program = start_program(os.environ["MORVANE_BINARY"], work, os.path.join(work, "sys"),
                                     display=os.environ["DISPLAY"])
        self.output = wait_for_output(self.program, INSTRUCTIONS)

    def tearDown(self):
        if self.program.poll() is None:
            self.program.kill()
            self.program.communicate()
        self.board.close()
        self.folder.cleanup()

    def read_until(self, text):
        self.output += wait_for_output(self.program, text)

    def wait_for_bytes(self, tail, timeout=5.0):
        """Waits until the board's latest bytes end with tail."""
        deadline = time.monotonic() + timeout
        while not bytes(self.board.received).endswith(tail):
            if time.monotonic() > deadline:
                self.fail(f"board never ended on {tail!r}: {bytes(self.board.received)[-30:]!r}")
            time.sleep(0.05)

    def test_the_lamp_follows_the_desktop_until_shift_esc(self):
        run("fcitx5-remote", "-c")
        self.read_until(IME_OFF)
        self.wait_for_bytes(b"rBg")

        run("xdotool", "key", "Caps_Lock")
        self.wait_for_bytes(b"RBg")

        run("fcitx5-remote", "-o")
        self.read_until(IME_ON)
        self.wait_for_bytes(b"RbG")

        run("xset", "s", "activate")
        self.read_until(SAVER)
        # The lamp stays dark: nothing but the lamp-off, cycle after cycle.
        self.wait_for_bytes(b"rgbrgbrgb")
        run("xset", "s", "reset")

        run("xdotool", "key", "Caps_Lock")
        self.wait_for_bytes(b"rbG")
        # The colour pair is sent again every cycle, without a message.
        refreshes = bytes(self.board.received).count(b"rbG")
        time.sleep(0.5)
        self.assertGreater(bytes(self.board.received).count(b"rbG"), refreshes + 2)

        run("xdotool", "key", "shift+Escape")
        out, _ = self.program.communicate(timeout=5)
        self.output += out.decode("utf-8")
        self.assertEqual(self.program.returncode, 0)
        time.sleep(0.2)
        self.assertTrue(bytes(self.board.received).endswith(b"rgb"))
        self.assertTrue(self.output.endswith(END))
        messages = [line for line in self.output.splitlines(keepends=True)
                    if line in (IME_ON, IME_OFF, SAVER)]
        self.assertEqual(messages, [IME_OFF, IME_ON, SAVER])

    def test_esc_alone_does_not_end_the_program(self):
        run("xdotool", "key", "Escape")
        time.sleep(0.5)
        self.assertIsNone(self.program.poll())
        run("xdotool", "key", "shift+Escape")
        self.program.communicate(timeout=5)
        self.assertEqual(self.program.returncode, 0)


if __name__ == "__main__":
    unittest.main()
