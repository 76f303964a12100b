"""The installed program against fake boards, started as the user service
starts it: from ~/.config/morvane, holding the package's sample list file.

The scenarios that the build's program passes too
(harness/program_scenarios.py): the session, and one end of each exit status;
and the installed morvane-probe.
"""

import errno
import os
import shutil
import subprocess
import unittest

from harness.board import UNO, FakeBoard
from harness.program import NO_DESKTOP_SESSION, ProbeRun, start_program
from harness.program_scenarios import ProgramScenarios
from harness.texts import OPEN_FAILED, PROBE_SUMMARY, PROBE_TIME_STAMP, reason

PROGRAM = "/usr/bin/morvane"
PROBE = "/usr/bin/morvane-probe"
SAMPLE_LIST = "/usr/share/doc/morvane/examples/arduino_portname.txt"
RULE = "/usr/lib/udev/rules.d/70-morvane.rules"


class InstalledProgramTest(ProgramScenarios, unittest.TestCase):
    def setUp(self):
        super().setUp()
        home = self.work.path
        self.config = os.path.join(home, ".config", "morvane")
        os.makedirs(self.config)
        shutil.copy(SAMPLE_LIST, self.config)
        # Open to a user without rights over the board's port.
        os.chmod(home, 0o755)

    def start(self):
        return start_program(PROGRAM, self.config, self.sysfs_tree())

    def test_a_port_without_permission_names_the_installed_rule_first(self):
        board = FakeBoard()
        self.boards_present((UNO, board))
        # The board's pseudo-terminal belongs to root, who made it.
        result = subprocess.run(
            [PROGRAM], cwd=self.config, env=dict(os.environ, SYSFS_PATH=self.sysfs),
            user="nobody", group="nogroup", extra_groups=[], stdin=subprocess.DEVNULL,
            capture_output=True, timeout=15)
        out = result.stdout.decode("utf-8")
        self.assertEqual(result.returncode, 1, out)
        self.assertIn(f"{OPEN_FAILED}{reason(os.strerror(errno.EACCES))}"
                      f"「{board.path}」を開く権限がありません。udevの規則「{RULE}」が", out)
        self.assertLess(out.index(RULE), out.index("sudo usermod -aG "))


class InstalledProbeTest(unittest.TestCase):
    def test_the_installed_probe_reads_and_ends_on_sigterm_with_its_summary(self):
        probe = ProbeRun(PROBE, env=dict(NO_DESKTOP_SESSION, DISPLAY=None))
        self.addCleanup(probe.kill)
        probe.wait_for_line(PROBE_TIME_STAMP)
        self.assertEqual(probe.end(), 0)
        self.assertTrue(probe.lines()[-1].startswith(PROBE_SUMMARY), probe.lines())


if __name__ == "__main__":
    unittest.main()
