"""The installed udev rule, as udev applies it to a lamp board that is plugged in,
and the sample list file's hint, as udev answers it.

udevadm runs in a mount namespace of its own, with a fake sysfs tree bound
over /sys and fresh tmpfs over /dev and /run: what it writes there (the
device's database entry, /dev/char links) goes with the namespace. Its
/run/udev is made inside that /run: a machine without udevd has none, and one
made on the machine's own /run would stay behind.
"""

import os
import re
import subprocess
import tempfile
import unittest

from harness.board import UNO, make_sysfs

RULE = "/usr/lib/udev/rules.d/70-morvane.rules"
SAMPLE_LIST = "/usr/share/doc/morvane/examples/arduino_portname.txt"
DEVICE = "/sys/class/tty/ttyACM0"
# The board's device number, as make_sysfs gives the first port.
DEVICE_NUMBER = (136, 1)

IN_NAMESPACE = """
mount --bind "$1" /sys
mount -t tmpfs tmpfs /dev
mount -t tmpfs tmpfs /run
mkdir -p /run/udev/rules.d
if [ -n "$2" ]; then cp "$2" /run/udev/rules.d/; fi
exec udevadm test --action=add "$3"
"""

# The board's node in the namespace's /dev, then the command $2.
HINT_IN_NAMESPACE = """
mount --bind "$1" /sys
mount -t tmpfs tmpfs /dev
mount -t tmpfs tmpfs /run
mknod /dev/ttyACM0 c $3 $4
exec sh -c "$2"
"""


def board_as_udev_sees_it(root):
    """An Arduino (vendor 2341) on ttyACM0, with the subsystem links and uevent
    files by which udev walks from the tty up to its USB device."""
    make_sysfs(root, [("ttyACM0", UNO, "/dev/ttyACM0")])
    usb_device = os.path.join(root, "devices", "pci0000:00", "usb1", "1-1")
    levels = [
        (usb_device, "bus/usb", "DEVTYPE=usb_device\n"),
        (os.path.join(usb_device, "1-1:1.0"), "bus/usb", "DEVTYPE=usb_interface\n"),
        (os.path.join(usb_device, "1-1:1.0", "tty", "ttyACM0"), "class/tty", None),
    ]
    os.makedirs(os.path.join(root, "bus", "usb"))
    # The way from the device node to the device.
    os.makedirs(os.path.join(root, "dev", "char"))
    os.symlink(os.path.relpath(os.path.join(root, "class", "tty", "ttyACM0"),
                               os.path.join(root, "dev", "char")),
               os.path.join(root, "dev", "char", "%d:%d" % DEVICE_NUMBER))
    for device, subsystem, uevent in levels:
        os.symlink(os.path.relpath(os.path.join(root, subsystem), device),
                   os.path.join(device, "subsystem"))
        if uevent:
            with open(os.path.join(device, "uevent"), "w") as f:
                f.write(uevent)


def rule_problems(output):
    """What is wrong with the rule, as udevadm's output shows it: its exit
    status is 0 whatever the rule holds."""
    lines = output.splitlines()
    problems = [line for line in lines if line.startswith(tuple(
        os.path.join(folder, os.path.basename(RULE)) + ":"
        for folder in ("/usr/lib/udev/rules.d", "/run/udev/rules.d")))]
    tags = next((line for line in lines if line.startswith("TAGS=")), "TAGS=")
    missing = {"uaccess", "seat", "systemd"} - set(tags[len("TAGS="):].split(":"))
    if missing:
        problems.append("tags missing: " + " ".join(sorted(missing)))
    if "SYSTEMD_USER_WANTS=morvane-board.target" not in lines:
        problems.append("the plug-in target is not wanted")
    return problems


def machine_state():
    """What udevadm would leave on the machine's own /dev and /run: its own trees there, and
    mounts. Whatever else a tool of the machine makes there at its first use is not its doing."""
    listed = {}
    for tree in ("/run/udev", "/dev/char", "/dev/serial"):
        listed[tree] = sorted(os.path.join(folder, name) for folder, dirs, files in os.walk(tree)
                              for name in dirs + files)
    with open("/proc/self/mountinfo") as f:
        listed["mounts"] = f.read()
    return listed


class UdevRuleTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.sysfs = os.path.join(self.folder.name, "sys")
        board_as_udev_sees_it(self.sysfs)
        self.before = machine_state()

    def tearDown(self):
        self.assertEqual(machine_state(), self.before, "left on the machine's /dev or /run")
        self.folder.cleanup()

    def udevadm_test(self, rule_text=None):
        """udevadm's output for the board; rule_text stands in for the
        installed rule when given."""
        standing_in = ""
        if rule_text is not None:
            standing_in = os.path.join(self.folder.name, os.path.basename(RULE))
            with open(standing_in, "w") as f:
                f.write(rule_text)
        result = subprocess.run(
            ["unshare", "-m", "sh", "-euc", IN_NAMESPACE, "sh", self.sysfs, standing_in, DEVICE],
            env=dict(os.environ, SYSTEMD_DEVICE_VERIFY_SYSFS="0"),
            stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout + result.stderr

    def test_a_lamp_board_is_left_to_the_seat_and_wants_the_plug_in_target(self):
        output = self.udevadm_test()
        self.assertIn(f"Reading rules file: {RULE}", output)
        self.assertEqual(rule_problems(output), [], output)

    def test_a_mistyped_rule_fails_the_check(self):
        with open(RULE) as f:
            rule = f.read()
        mistyped = rule.replace('ATTRS{idVendor}=="2341"', 'ATTRS{idVendor}="2341"')
        self.assertNotEqual(mistyped, rule)
        problems = rule_problems(self.udevadm_test(mistyped))
        self.assertIn("tags missing: seat uaccess", problems)
        self.assertTrue(any("Invalid operator for ATTRS" in problem for problem in problems), problems)

    def test_the_sample_lists_hint_for_linux_shows_the_description_compared(self):
        # The program compares the USB product string as it stands, blanks
        # and all.
        with open(SAMPLE_LIST, encoding="utf-8") as f:
            hint = re.search(r"`(udevadm [^`]*/dev/ttyACM0[^`]*)`", f.read()).group(1)
        result = subprocess.run(
            ["unshare", "-m", "sh", "-euc", HINT_IN_NAMESPACE, "sh", self.sysfs, hint,
             *map(str, DEVICE_NUMBER)],
            env=dict(os.environ, SYSTEMD_DEVICE_VERIFY_SYSFS="0"),
            stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=60)
        self.assertIn(f'=="{UNO}"', result.stdout, result.stdout + result.stderr)


if __name__ == "__main__":
    unittest.main()
