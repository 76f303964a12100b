"""The program under fcitx5 with Mozc on the private X desktop that
run_engine_mode_e2e.sh started, with a stand-in tray of its own: fcitx5's
State stays 2 (active) in every mode of Mozc's, and its tray item's icon
tells them apart."""

import os
import re
import subprocess
import unittest

from harness import desktop, input_modes
from harness.board import FakeBoard
from harness.program import MorvaneRun, ProbeRun


def fcitx_state():
    return subprocess.run(["fcitx5-remote"], check=True, capture_output=True,
                          text=True).stdout.strip()


class EngineModeOnFcitxTest(unittest.TestCase):
    def setUp(self):
        self.board = FakeBoard()
        self.addCleanup(self.board.close)
        self.morvane = MorvaneRun(os.environ["MORVANE_BINARY"], self.board.path,
                                  display=os.environ["DISPLAY"])
        self.addCleanup(self.morvane.close)
        desktop.set_input_method(True)
        # The tray comes after the program, which finds fcitx5's item as it
        # registers; the probe, started later, finds it listed.
        self.board.wait_for_bytes(b".*bG", timeout=10.0)
        self.tray = input_modes.TrayWatcher()
        self.addCleanup(self.tray.close)

    def choose(self, mode, pair):
        input_modes.choose_tray_mode(mode)
        self.board.wait_for_bytes(b".*" + re.escape(pair), timeout=5.0)

    def test_mozc_modes_by_the_tray_icon(self):
        probe = ProbeRun(os.environ["MORVANE_PROBE"])
        self.addCleanup(probe.kill)
        self.choose("Hiragana", b"bG")
        self.choose("Direct", b"Bg")
        self.assertEqual(fcitx_state(), "2")
        probe.wait_for_line(r"IME=オフ \[fcitx5: 2, fcitx5 tray: fcitx_mozc_direct\]")
        self.choose("Full ASCII", b"bG")
        self.choose("Half ASCII", b"Bg")
        self.choose("Hiragana", b"bG")
        # Inactive is off whatever the icon was.
        desktop.set_input_method(False)
        self.board.wait_for_bytes(b".*Bg", timeout=5.0)


if __name__ == "__main__":
    unittest.main()
