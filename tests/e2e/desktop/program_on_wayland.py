"""The real program on the headless Wayland desktop that run_wayland_e2e.sh
started: sway, fcitx5 as its input method and a focused GTK entry.

The test machine's kernel has no LED class, uinput or evdev, so no keyboard
LED that the compositor sets can be had here: Caps Lock is tested through the
fake sysfs tree's LED, which the test lights and darkens as the compositor
would a keyboard's.
"""

import os
import re
import signal
import statistics
import sys
import time
import unittest

from harness import desktop
from harness.board import FakeBoard, set_caps_lock_led
from harness.program import MorvaneRun
from harness.texts import (
    BANNER, END, IME_OFF, IME_ON, INSTRUCTIONS, WAYLAND_HOW_TO_END, WAYLAND_SERVICE_HOW_TO_END,
    found, handshake)

CHANGES_MEASURED = 30


class ProgramOnWaylandTest(unittest.TestCase):
    def start(self, env=None):
        """The program under Wayland with one board, Caps Lock's LED dark."""
        self.board = FakeBoard(timed=True)
        self.addCleanup(self.board.close)
        self.morvane = MorvaneRun(os.environ["MORVANE_BINARY"], self.board.path, display=None,
                                  env=dict(WAYLAND_DISPLAY=os.environ["WAYLAND_DISPLAY"],
                                           **(env or {})))
        self.addCleanup(self.morvane.close)
        set_caps_lock_led(self.morvane.sysfs, False)

    def wait_for_bytes(self, tail):
        self.board.wait_for_bytes(b".*" + re.escape(tail), timeout=5.0)

    def end_by_sigterm(self):
        self.morvane.process.send_signal(signal.SIGTERM)
        self.assertEqual(self.morvane.finish(), 0)
        time.sleep(0.2)
        self.assertTrue(bytes(self.board.received).endswith(b"rgb"))
        self.assertTrue(self.morvane.output.endswith(END))

    def test_the_lamp_follows_fcitx5_and_the_caps_lock_led_until_sigterm(self):
        self.start()
        port = self.board.path
        start_up = BANNER + found(port) + handshake(port) + INSTRUCTIONS + WAYLAND_HOW_TO_END
        self.morvane.wait_for_output(start_up)
        self.assertTrue(self.morvane.output.startswith(start_up))

        desktop.set_input_method(False)
        seen = self.morvane.wait_for_output(IME_OFF)
        self.wait_for_bytes(b"rBg")

        set_caps_lock_led(self.morvane.sysfs, True)
        self.wait_for_bytes(b"RBg")

        desktop.set_input_method(True)
        self.morvane.wait_for_output(IME_ON, after=seen)
        self.wait_for_bytes(b"RbG")

        set_caps_lock_led(self.morvane.sysfs, False)
        self.wait_for_bytes(b"rbG")

        self.end_by_sigterm()
        messages = [line for line in self.morvane.output.splitlines(keepends=True)
                    if line in (IME_ON, IME_OFF)]
        self.assertEqual(messages, [IME_OFF, IME_ON])

    def test_as_a_service_it_says_to_stop_it_with_systemctl(self):
        self.start(env={"INVOCATION_ID": "0123456789abcdef0123456789abcdef"})
        self.morvane.wait_for_output(INSTRUCTIONS + WAYLAND_SERVICE_HOW_TO_END)
        self.end_by_sigterm()

    def test_figure_input_method_change_to_byte(self):
        """Prints the time from fcitx5-remote's start to the first byte on
        the board that shows the change: the wait for the next poll (up to
        100 ms), the poll and the line."""
        self.start()
        desktop.set_input_method(False)
        self.wait_for_bytes(b"rBg")
        times = self.board.received.delays_after_changes(desktop.set_input_method,
                                                         CHANGES_MEASURED, seed=14)
        print(f"\ninput-method change to byte under Wayland: median "
              f"{statistics.median(times) * 1000:.1f} ms, worst {times[-1] * 1000:.1f} ms "
              f"({len(times)} changes, fcitx5-remote -o/-c)", file=sys.stderr)
        self.end_by_sigterm()


if __name__ == "__main__":
    unittest.main()
