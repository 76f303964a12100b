"""Sources that take the connection and then never answer: the session bus,
IBus and the X display. Nothing of them holds up a cycle: Caps Lock, read from
the keyboard's LEDs, keeps its byte coming about ten times a second from the
first cycle on, a signal ends the program dark, and the probe shows its line
and its summary."""

import os
import re
import signal
import tempfile
import time
import unittest

from harness.board import UNO, FakeBoard, set_caps_lock_led
from harness.paths import required_path
from harness.program import NO_DESKTOP_SESSION, ProbeRun, WorkFolder, wait_for_output
from harness.silent_peers import SilentPeer, silent_bus
from harness.texts import END, KEEP_THE_WINDOW, PROBE_ALL_READ, PROBE_TIME_STAMP

# Half the bytes of two seconds of cycles: a cycle held up by a source waits
# far longer (sd-bus's own time-out is 90 s; an X server's, none).
LEAST_RED_BYTES_IN_TWO_SECONDS = 10


class SilentSourcesTest(unittest.TestCase):
    def setUp(self):
        self.work = WorkFolder()
        self.addCleanup(self.work.cleanup)
        self.peers = {
            "session bus": silent_bus(self.work.path, "session-bus"),
            "IBus": silent_bus(self.work.path, "ibus"),
            "X display": SilentPeer(),
        }
        for peer in self.peers.values():
            self.addCleanup(peer.close)

    def environment(self, *silent):
        """Without a desktop but for the silent sources named."""
        env = dict(NO_DESKTOP_SESSION)
        if "session bus" in silent:
            env["DBUS_SESSION_BUS_ADDRESS"] = self.peers["session bus"].address
        if "IBus" in silent:
            env["IBUS_ADDRESS"] = self.peers["IBus"].address
        return env, self.peers["X display"].display if "X display" in silent else None

    def test_caps_lock_keeps_coming_and_sigterm_ends_it_dark(self):
        for silent in (("session bus",), ("IBus",), ("X display",),
                       ("session bus", "IBus", "X display")):
            with self.subTest(silent=silent):
                board = FakeBoard(timed=True)
                self.addCleanup(board.close)
                sysfs = self.work.show_ports((UNO, board.path), tree="-".join(silent))
                set_caps_lock_led(sysfs, True)
                env, display = self.environment(*silent)
                process = self.work.start(required_path("MORVANE_BINARY"), sysfs, display=display, env=env)
                self.addCleanup(process.kill)
                wait_for_output(process, KEEP_THE_WINDOW)
                time.sleep(2)
                self.assertGreaterEqual(bytes(board.received).count(b"R"),
                                        LEAST_RED_BYTES_IN_TWO_SECONDS)
                process.send_signal(signal.SIGTERM)
                out, _ = process.communicate(timeout=5)
                self.assertTrue(out.decode().endswith(END), out)
                self.assertEqual(process.returncode, 0)
                time.sleep(0.2)
                self.assertTrue(re.fullmatch(rb"R+rgb", bytes(board.received)),
                                bytes(board.received))

    def test_the_probe_shows_a_line_within_a_second_and_no_reading_as_read(self):
        env, display = self.environment("session bus", "IBus", "X display")
        with tempfile.TemporaryDirectory() as sysfs:
            probe = ProbeRun(required_path("MORVANE_PROBE"), env=dict(env, DISPLAY=display, SYSFS_PATH=sysfs))
            self.addCleanup(probe.kill)
            line = probe.wait_for_line(PROBE_TIME_STAMP, timeout=1.0)
            self.assertIn("fcitx5: 時間切れ", line)
            self.assertIn("XQueryKeymap: 接続できません", line)
            self.assertEqual(probe.end(), 0)
            summary = probe.lines()[-1]
            self.assertNotIn(PROBE_ALL_READ, summary)
            self.assertIn("fcitx5 (時間切れ)", summary)


if __name__ == "__main__":
    unittest.main()
