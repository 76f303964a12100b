"""The real program on the private X desktop of tests/harness/private_desktop."""

import os
import re
import time
import unittest

from harness import desktop
from harness.board import UNO, FakeBoard
from harness.program import WorkFolder, wait_for_output
from harness.texts import END, HOW_TO_END, IME_OFF, IME_ON, SAVER


class ProgramOnDesktopTest(unittest.TestCase):
    def setUp(self):
        self.work = WorkFolder()
        self.addCleanup(self.work.cleanup)
        self.board = FakeBoard()
        self.addCleanup(self.board.close)
        sysfs = self.work.show_ports((UNO, self.board.path))
        self.program = self.work.start(os.environ["MORVANE_BINARY"], sysfs,
                                       display=os.environ["DISPLAY"])
        self.addCleanup(self.end_program)
        self.output = wait_for_output(self.program, HOW_TO_END)

    def end_program(self):
        if self.program.poll() is None:
            self.program.kill()
            self.program.communicate()

    def read_until(self, text):
        self.output += wait_for_output(self.program, text)

    def wait_for_bytes(self, tail):
        """Waits until the board's latest bytes end with tail."""
        self.board.wait_for_bytes(b".*" + re.escape(tail), timeout=5.0)

    def test_the_lamp_follows_the_desktop_until_shift_esc(self):
        desktop.set_input_method(False)
        self.read_until(IME_OFF)
        self.wait_for_bytes(b"rBg")

        desktop.toggle_caps_lock()
        self.wait_for_bytes(b"RBg")

        desktop.set_input_method(True)
        self.read_until(IME_ON)
        self.wait_for_bytes(b"RbG")

        desktop.set_screen_saver(True)
        self.read_until(SAVER)
        # The lamp stays dark: nothing but the lamp-off, cycle after cycle.
        self.wait_for_bytes(b"rgbrgbrgb")
        desktop.set_screen_saver(False)

        desktop.toggle_caps_lock()
        self.wait_for_bytes(b"rbG")
        # The colour pair is sent again every cycle, without a message.
        refreshes = bytes(self.board.received).count(b"rbG")
        time.sleep(0.5)
        self.assertGreater(bytes(self.board.received).count(b"rbG"), refreshes + 2)

        desktop.press_shift_esc()
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
        desktop.press_esc()
        time.sleep(0.5)
        self.assertIsNone(self.program.poll())
        desktop.press_shift_esc()
        self.program.communicate(timeout=5)
        self.assertEqual(self.program.returncode, 0)


if __name__ == "__main__":
    unittest.main()
