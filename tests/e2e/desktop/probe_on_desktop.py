"""morvane-probe on the private X desktop of tests/harness/private_desktop: a
line for each change of Caps Lock, Shift, the input method and the screen
saver, with what each source answered, and a summary at its end."""

import os
import re
import unittest

from harness import desktop
from harness.program import ProbeRun
from harness.texts import (
    PROBE_ALL_READ, PROBE_BANNER, PROBE_SUMMARY, PROBE_TIME_STAMP)


class ProbeOnDesktopTest(unittest.TestCase):
    def setUp(self):
        desktop.rest()
        self.probe = ProbeRun(os.environ["MORVANE_PROBE"])
        self.addCleanup(self.probe.kill)
        self.probe.wait_for_line("^" + re.escape(PROBE_BANNER.rstrip("\n")) + "$")

    def after(self, action, pattern):
        action()
        return self.probe.wait_for_line(pattern)

    def test_each_change_is_a_line_and_sigterm_ends_it_with_the_summary(self):
        first = self.probe.wait_for_line(PROBE_TIME_STAMP)
        self.assertRegex(first, r"Caps Lock=オフ \[Xkb: 0x\w+\]  Esc=-  Shift=- \[XQueryKeymap\]  "
                                r"IME=オフ \[fcitx5: 1\]  スクリーンセイバー=なし "
                                r"\[MIT-SCREEN-SAVER: Off, org.freedesktop.ScreenSaver: false\]  不在=なし$")
        self.after(desktop.toggle_caps_lock, r"Caps Lock=オン \[Xkb: 0x\w+\]")
        self.after(lambda: desktop.hold_shift(True), r"Shift=押下")
        self.after(lambda: desktop.hold_shift(False), r"Shift=- ")
        self.after(lambda: desktop.set_input_method(True), r"IME=オン \[fcitx5: 2\]")
        # While the X screen saver runs, the service is not asked.
        self.after(lambda: desktop.set_screen_saver(True),
                   r"スクリーンセイバー=動作中 \[MIT-SCREEN-SAVER: On\]  不在=なし$")
        desktop.rest()
        self.assertEqual(self.probe.end(), 0)
        summary = self.probe.lines()[-1]
        self.assertRegex(summary, "^" + PROBE_SUMMARY + r"\d+回読み取り、" + PROBE_ALL_READ + "$")


if __name__ == "__main__":
    unittest.main()
