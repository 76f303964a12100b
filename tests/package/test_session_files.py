"""The installed user service and the autostart example, checked by systemd's
own tools as a user's session would read them."""

import os
import shutil
import subprocess
import tempfile
import unittest

UNIT = "/usr/lib/systemd/user/morvane.service"
TARGET = "/usr/lib/systemd/user/morvane-board.target"
AUTOSTART = "/usr/share/doc/morvane/examples/morvane.desktop"
GENERATOR = "/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator"


def run(command, **env):
    result = subprocess.run(command, env=dict(os.environ, **env), stdin=subprocess.DEVNULL,
                            capture_output=True, text=True, timeout=60)
    return result.returncode, result.stdout + result.stderr


class SessionFilesTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def test_the_user_manager_accepts_the_units(self):
        runtime = os.path.join(self.folder.name, "runtime")
        os.mkdir(runtime, 0o700)
        self.assertEqual(
            run(["systemd-analyze", "verify", "--user", "--man=no", UNIT, TARGET],
                XDG_RUNTIME_DIR=runtime),
            (0, ""))

    def test_the_autostart_entry_is_valid(self):
        self.assertEqual(run(["desktop-file-validate", AUTOSTART]), (0, ""))

    def generated_units(self, entry_text):
        """What the autostart generator makes of the entry in a user's
        ~/.config/autostart, and of no other entry."""
        config = os.path.join(self.folder.name, "config")
        units = os.path.join(self.folder.name, "units")
        shutil.rmtree(config, ignore_errors=True)
        shutil.rmtree(units, ignore_errors=True)
        os.makedirs(os.path.join(config, "autostart"))
        os.mkdir(units)
        with open(os.path.join(config, "autostart", "morvane.desktop"), "w") as f:
            f.write(entry_text)
        status, output = run([GENERATOR, units, units, units], XDG_CONFIG_HOME=config,
                             XDG_CONFIG_DIRS=os.path.join(self.folder.name, "none"))
        self.assertEqual(status, 0, output)
        return sorted(os.listdir(units))

    def test_systemd_generates_no_unit_for_the_autostart_entry(self):
        with open(AUTOSTART) as f:
            entry = f.read()
        self.assertEqual(self.generated_units(entry), [])
        # Without its skip key the same entry does get a unit: the generator
        # did read it.
        self.assertIn("app-morvane@autostart.service",
                      self.generated_units(entry.replace("X-systemd-skip=true\n", "")))


if __name__ == "__main__":
    unittest.main()
