"""The program under IBus on the private X desktop that
run_engine_mode_e2e.sh started: ibus-daemon with a panel, and a focused
input context. The engines stay the same while their mode changes inside:
the InputMode that ibus-daemon tells the panel decides the colour pair."""

import os
import re
import statistics
import sys
import time
import unittest

from harness import input_modes
from harness.board import FakeBoard
from harness.program import MorvaneRun, ProbeRun

CHANGES_MEASURED = 30


class EngineModeOnIbusTest(unittest.TestCase):
    def setUp(self):
        self.context = input_modes.IbusContext()
        self.addCleanup(self.context.close)
        self.board = FakeBoard(timed=True)
        self.addCleanup(self.board.close)
        self.morvane = MorvaneRun(os.environ["MORVANE_BINARY"], self.board.path,
                                  display=os.environ["DISPLAY"])
        self.addCleanup(self.morvane.close)
        # Its first pair, for a keyboard layout: the program polls, and
        # follows ibus-daemon from now on. What an engine told before is not
        # heard again until it changes.
        input_modes.set_ibus_engine("xkb:us::eng")
        self.board.wait_for_bytes(b".*Bg", timeout=10.0)

    def switch(self, mode, pair):
        """Activates the engine's mode until the lamp's pair follows (b"bG"
        green, b"Bg" blue). A mode told while the engine was still starting,
        or before the program followed ibus-daemon again, goes unheard, and
        the same mode once more tells nothing: a mode of the other colour
        goes between the tries."""
        other = "InputMode.Latin" if pair == b"bG" else "InputMode.Hiragana"
        deadline = time.monotonic() + 10
        while True:
            self.context.activate(mode)
            try:
                self.board.wait_for_bytes(b".*" + re.escape(pair), timeout=1.0)
                return
            except AssertionError:
                if time.monotonic() > deadline:
                    raise
            self.context.activate(other)

    def switch_through(self, *modes):
        """Switches to each mode in turn, green and blue by turns from
        green."""
        for index, mode in enumerate(modes):
            self.switch(f"InputMode.{mode}", b"Bg" if index % 2 else b"bG")

    def test_anthy_and_ibus_daemon_restarted(self):
        # Latin is blue, where Anthy's name alone reads as on.
        input_modes.set_ibus_engine("anthy")
        self.switch_through("Hiragana", "Latin", "Katakana", "Latin")

        input_modes.restart_ibus()
        self.context.wait_focused()
        input_modes.set_ibus_engine("anthy")
        self.switch_through("Hiragana", "Latin")

    def test_mozc(self):
        input_modes.set_ibus_engine("mozc-jp")
        self.switch_through("Hiragana", "Direct", "WideLatin", "Latin", "Hiragana")
        # A keyboard layout tells no mode: Mozc's last one is forgotten.
        input_modes.set_ibus_engine("xkb:us::eng")
        self.board.wait_for_bytes(b".*Bg", timeout=5.0)

    def test_the_probe_shows_the_mode_told(self):
        probe = ProbeRun(os.environ["MORVANE_PROBE"])
        self.addCleanup(probe.kill)
        input_modes.set_ibus_engine("anthy")
        self.context.activate("InputMode.Hiragana")
        probe.wait_for_line(r"IME=オン \[fcitx5: 接続できません, IBus InputMode: あ\]")
        self.context.activate("InputMode.Latin")
        probe.wait_for_line(r"IME=オフ \[fcitx5: 接続できません, IBus InputMode: _A\]")

    def test_figure_mode_change_to_byte(self):
        """Prints the time from a property's activation to the first byte on
        the board that shows it: the engine and ibus-daemon, the wait for
        the next poll (up to 100 ms), the poll and the line."""
        input_modes.set_ibus_engine("anthy")
        self.switch("InputMode.Hiragana", b"bG")
        self.switch("InputMode.Latin", b"Bg")
        times = self.board.received.delays_after_changes(
            lambda on: self.context.activate("InputMode.Hiragana" if on else "InputMode.Latin"),
            CHANGES_MEASURED, seed=23)
        print(f"\ninput-mode change to byte under IBus: median "
              f"{statistics.median(times) * 1000:.1f} ms, worst {times[-1] * 1000:.1f} ms "
              f"({len(times)} changes, Anthy's InputMode)", file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
