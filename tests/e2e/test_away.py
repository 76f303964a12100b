"""The real program while nobody is at the computer, as logind and GNOME tell
it (tests/harness/away.py): a locked session, a session not at the console
and GNOME's lock screen keep the lamp dark; going to sleep darkens it at once
and gives logind its delay lock back. Caps Lock is lit throughout (the
kernel's LED), so that every cycle shows whether it sent its state byte."""

import re
import tempfile
import time
import unittest

from harness.away import AwayServices
from harness.board import UNO, FakeBoard, set_caps_lock_led
from harness.desktop import PrivateSessionBus
from harness.paths import required_path
from harness.program import MorvaneRun
from harness.texts import LOCKED, NO_DISPLAY, SLEEPING

# Long enough for a few dark cycles (each about 600 ms).
AWAY_S = 1.5


@unittest.skipUnless(PrivateSessionBus.available(), "needs dbus-daemon")
class AwayTest(unittest.TestCase):
    def setUp(self):
        self.board = FakeBoard(timed=True)
        self.addCleanup(self.board.close)

    def start(self, by_pid=True):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.services = AwayServices(folder.name)
        self.addCleanup(self.services.stop)
        self.services.find_sessions_by_pid(by_pid)
        self.run_ = MorvaneRun(required_path("MORVANE_BINARY"), self.board.path, display=None,
                               env=self.services.environment())
        self.addCleanup(self.run_.close)
        # Found at the next scan of the LEDs, at most 2 s on.
        set_caps_lock_led(self.run_.sysfs, True)
        self.run_.wait_for_output(NO_DISPLAY)
        self.wait_for_red()

    def wait_for_red(self, after=None):
        """Waits for the state byte 'R' after the byte count given; returns
        the count then."""
        start = len(self.board.received) if after is None else after
        deadline = time.monotonic() + 10
        while b"R" not in bytes(self.board.received[start:]):
            if time.monotonic() > deadline:
                raise AssertionError(f"no R after {bytes(self.board.received[start:])!r}")
            time.sleep(0.02)
        return len(self.board.received)

    def assert_dark_while(self, leave, come_back, message, after_text):
        """leave() turns the computer away; while it stays away the board gets
        only r, g, b, and message is printed once; after come_back() the state
        byte returns."""
        mark = len(self.board.received)
        leave()
        position = self.run_.wait_for_output(message, after=after_text)
        # A cycle that had sent its R already is done within a cycle.
        time.sleep(0.3)
        dark_from = len(self.board.received)
        time.sleep(AWAY_S)
        during = bytes(self.board.received[dark_from:])
        self.assertRegex(during, re.compile(b"(rgb)+"))
        self.assertIn(b"rgb", bytes(self.board.received[mark:dark_from]))
        come_back()
        self.wait_for_red(after=len(self.board.received))
        self.assertEqual(self.run_.output.count(message, after_text), 1)
        return position

    def test_a_locked_session_one_not_at_the_console_and_gnomes_lock_screen_keep_it_dark(self):
        self.start()
        seen = 0
        for name, leave, back in (
                ("locked", lambda: self.services.lock(True), lambda: self.services.lock(False)),
                ("not at the console", lambda: self.services.leave_the_console(True),
                 lambda: self.services.leave_the_console(False)),
                ("GNOME locked", lambda: self.services.gnome_lock(True),
                 lambda: self.services.gnome_lock(False))):
            with self.subTest(name):
                seen = self.assert_dark_while(leave, back, LOCKED, seen)
        self.assertEqual(self.run_.output.count(LOCKED), 3)
        self.assertIn(f"pid:{self.run_.process.pid}", self.services.asked())

    def test_the_session_is_found_as_auto_when_the_pid_has_none(self):
        self.start(by_pid=False)
        self.assert_dark_while(lambda: self.services.lock(True),
                               lambda: self.services.lock(False), LOCKED, 0)
        self.assertIn("session:auto", self.services.asked())

    def test_going_to_sleep_darkens_it_at_once_and_gives_the_delay_lock_back(self):
        self.start()
        # The logind thread takes its delay lock beside the start-up.
        deadline = time.monotonic() + 5
        while self.services.inhibitors_held() == 0 and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertEqual(self.services.inhibitors_held(), 1)
        self.assertIn("inhibit:sleep:morvane:delay", self.services.asked())
        mark = len(self.board.received)
        asked_at = time.monotonic()
        self.services.sleep(True)
        lamp_off_at = self.arrival_of_lamp_off(mark)
        print(f"\nPrepareForSleep(true) to the last of r, g, b on the board: "
              f"{(lamp_off_at - asked_at) * 1000:.1f} ms")
        self.run_.wait_for_output(SLEEPING)
        deadline = time.monotonic() + 5
        while self.services.inhibitors_held() != 0:
            self.assertLess(time.monotonic(), deadline, "the delay lock was kept")
            time.sleep(0.02)
        self.assert_dark_while(lambda: None, lambda: self.services.sleep(False), SLEEPING, 0)
        deadline = time.monotonic() + 5
        while self.services.inhibitors_held() != 1:
            self.assertLess(time.monotonic(), deadline, "no new delay lock after the resume")
            time.sleep(0.02)

    def arrival_of_lamp_off(self, mark):
        """When the first r, g, b after byte count mark had arrived."""
        deadline = time.monotonic() + 5
        while True:
            found = bytes(self.board.received).find(b"rgb", mark)
            if found >= 0:
                last = found + 2
                for when, start, data in self.board.received.arrivals:
                    if start <= last < start + len(data):
                        return when
            self.assertLess(time.monotonic(), deadline, "no lamp-off")
            time.sleep(0.005)


if __name__ == "__main__":
    unittest.main()
