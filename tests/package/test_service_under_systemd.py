"""The user service of the .deb (MORVANE_DEB) under the real systemd, as users
meet it: this machine booted again in a container (harness/container.py), the
package installed there, and a lingering user for each way of meeting the
service, each with a user manager of its own. Their boards live in the
container (harness/board_server.py) and reach their programs through a sysfs
tree that a drop-in gives the service, with Caps Lock lit so that the program
writes every cycle.

udevd does not run in a container, so a plug-in is what the udev rule asks of
each user manager: SYSTEMD_USER_WANTS makes the board's device unit want
morvane-board.target, started as the device appears; here
`systemctl --user start morvane-board.target` stands for it.

All users go at once, and the service is watched for WINDOW_S.
"""

import os
import time
import unittest

from harness.board_server import TREES, BoardServer
from harness.container import Container
from harness.paths import required_path
from harness.texts import BANNER, NOBODY_TO_CHOOSE, opening

SAMPLE_LIST = "/usr/share/doc/morvane/examples/arduino_portname.txt"
WINDOW_S = 100
# Long enough for the service to have tried again, had it been going to.
SETTLED_S = 30
SILENT, IDENTIFIES = {"identity": False}, {"identity": True}

# Each user's list file and drop-in, then a user manager of their own.
MAKE_USER = """
set -e
useradd --create-home "$1"
config="/home/$1/.config"
mkdir -p "$config/morvane" "$config/systemd/user/morvane.service.d"
cp "$2" "$config/morvane/"
printf '[Service]\\nEnvironment=SYSFS_PATH=%s\\n' "$3" \
  > "$config/systemd/user/morvane.service.d/boards.conf"
chown -R "$1:" "$config"
loginctl enable-linger "$1"
"""


class ServiceUnderSystemdTest(unittest.TestCase):
    def setUp(self):
        self.container = Container()
        self.addCleanup(self.container.close)
        self.container.run("dpkg", "--install", self.container.put(required_path("MORVANE_DEB")))

    def make_users(self, boards):
        """boards: {user: [board, ...]}; early has no configuration at all."""
        self.container.run("useradd", "--create-home", "early")
        self.container.run("loginctl", "enable-linger", "early")
        for user in boards:
            self.container.run("sh", "-c", MAKE_USER, "sh", user, SAMPLE_LIST,
                               os.path.join(TREES, user))
        for user in ("early", *boards):
            deadline = time.monotonic() + 60
            while self.container.run("systemctl", "--user", "is-system-running", user=user,
                                     check=False).stdout.strip() not in ("running", "degraded"):
                self.assertLess(time.monotonic(), deadline, f"{user}'s manager did not start")
                time.sleep(0.5)
        # uaccess's grant to the user at the seat, except where the line is to
        # stay root's.
        served = {user: [dict(board, owner=None if user == "denied" else self.container.uid(user))
                         for board in listed] for user, listed in boards.items()}
        self.boards = BoardServer(self.container, served)
        self.addCleanup(self.boards.close)

    def systemctl(self, user, *arguments):
        return self.container.run("systemctl", "--user", *arguments, user=user).stdout

    def unit(self, user):
        properties = ("ActiveState", "SubState", "Result", "ExecMainStatus", "NRestarts",
                      "ConditionResult", "InvocationID")
        shown = self.systemctl(user, "show", "morvane", *(f"--property={p}" for p in properties))
        return dict(line.split("=", 1) for line in shown.splitlines())

    def journal(self, user, field):
        """What the program printed (_SYSTEMD_USER_UNIT) or what the user's
        manager said of the service (USER_UNIT)."""
        return self.container.run(
            "journalctl", "--no-pager", "--output=cat", f"_UID={self.container.uid(user)}",
            f"{field}=morvane.service").stdout

    def runs(self, user):
        return self.journal(user, "_SYSTEMD_USER_UNIT").count(BANNER)

    def wait_for_unit(self, user, check, timeout, what):
        deadline = time.monotonic() + timeout
        while not check(self.unit(user)):
            self.assertLess(time.monotonic(), deadline, f"{user}: {what}: {self.unit(user)}")
            time.sleep(0.3)

    def driven_again(self, openings, timeout):
        """The board is opened for the openings-th time and then driven."""
        received = len(self.boards.boards["driven0"]["received"])
        self.boards.wait_until(
            lambda boards: len(boards["driven0"]["openings"]) == openings
            and "R" in boards["driven0"]["received"][received:], timeout,
            f"opening {openings} of the driven board and its Caps Lock byte")

    def test_each_way_of_meeting_the_service(self):
        self.make_users({"silent": [SILENT], "denied": [IDENTIFIES],
                         "two": [IDENTIFIES, IDENTIFIES], "never": [IDENTIFIES],
                         "driven": [IDENTIFIES]})
        began = time.monotonic()
        for user in ("early", "silent", "denied", "two", "driven"):
            self.systemctl(user, "enable", "--now", "morvane")

        # The driven board: stopped and started, failing with 1 and restarted,
        # each time on the same pseudo-terminal; then unplugged.
        self.driven_again(1, 15)
        self.systemctl("driven", "stop", "morvane")
        self.assertFalse(self.boards.state()["driven0"]["exclusive"], "left exclusive by a stop")
        # Seen let go before the start, or a busy machine's board would take
        # the next opening for this one and never answer it.
        self.boards.wait_until(lambda boards: not boards["driven0"]["held"], 10,
                               "the driven board let go after the stop")
        self.systemctl("driven", "start", "morvane")
        self.driven_again(2, 15)
        self.boards.do("stall", "driven0")
        self.wait_for_unit("driven", lambda unit: unit["SubState"] == "auto-restart", 20,
                           "no failure when the line took no bytes")
        self.assertEqual(self.unit("driven")["ExecMainStatus"], "1")
        self.assertFalse(self.boards.state()["driven0"]["exclusive"], "left exclusive by a failure")
        self.boards.do("resume", "driven0")
        self.driven_again(3, 25)
        self.boards.do("hang_up", "driven0")
        self.wait_for_unit("driven", lambda unit: unit["ActiveState"] == "failed", 40,
                           "no end after the unplug")
        unplugged = {"runs": self.runs("driven"), "unit": self.unit("driven")}

        time.sleep(max(0, began + WINDOW_S - SETTLED_S - time.monotonic()))
        before_settled = {user: self.runs(user) for user in ("silent", "denied")}
        before_settled["silent openings"] = len(self.boards.state()["silent0"]["openings"])
        time.sleep(max(0, began + WINDOW_S - time.monotonic()))
        window = self.boards.state()
        denied_runs = self.runs("denied")
        units = {user: self.unit(user) for user in ("early", "silent", "denied", "two", "driven")}

        with self.subTest("enabled before the list file exists: skipped, not restarted"):
            skipped = {"ActiveState": "inactive", "ConditionResult": "no", "NRestarts": "0"}
            self.assertEqual({key: units["early"][key] for key in skipped}, skipped)
            self.assertIn("ConditionPathExists=/home/early/.config/morvane/arduino_portname.txt",
                          self.journal("early", "USER_UNIT"))
            self.assertEqual(self.runs("early"), 0)

        with self.subTest("a listed board that never identifies: opened once, then settled"):
            openings = window["silent0"]["openings"]
            self.assertLessEqual(len(openings), 4, openings)
            self.assertEqual(len(openings), before_settled["silent openings"])
            self.assertEqual((units["silent"]["SubState"], units["silent"]["ExecMainStatus"]),
                             ("failed", "2"))

        with self.subTest("a failure that keeps ending with 1: tried a few times, then settled"):
            self.assertLessEqual(denied_runs, 4)
            self.assertEqual(denied_runs, before_settled["denied"])
            self.assertEqual(units["denied"]["ActiveState"], "failed")
            self.assertIn("Start request repeated too quickly.",
                          self.journal("denied", "USER_UNIT"))

        with self.subTest("two listed boards, nobody to choose: no port opened, status 2"):
            self.assertEqual([window[f"two{index}"]["openings"] for index in (0, 1)], [[], []])
            self.assertEqual((units["two"]["SubState"], units["two"]["ExecMainStatus"]),
                             ("failed", "2"))
            printed = self.journal("two", "_SYSTEMD_USER_UNIT")
            self.assertIn(NOBODY_TO_CHOOSE, printed)
            self.assertNotIn(opening(""), printed)
            self.assertEqual(self.runs("two"), 1)

        with self.subTest("the driven board unplugged: tried once more, then down with 2"):
            self.assertEqual(unplugged["unit"]["ExecMainStatus"], "2")
            # Three runs before the unplug, one after it.
            self.assertEqual(unplugged["runs"], 4)
            self.assertEqual((self.runs("driven"), units["driven"]["InvocationID"]),
                             (unplugged["runs"], unplugged["unit"]["InvocationID"]))

        with self.subTest("a plug-in starts the service only where it is enabled"):
            for user in ("never", "silent", "denied"):
                self.systemctl(user, "start", "morvane-board.target")
            self.boards.wait_until(lambda boards: len(boards["silent0"]["openings"]) == 2, 10,
                                   "the silent board's opening at the plug-in")
            deadline = time.monotonic() + 10
            while self.runs("denied") == denied_runs:
                self.assertLess(time.monotonic(), deadline, "the plug-in started no run")
                time.sleep(0.3)
            self.assertEqual(self.unit("never")["InvocationID"], "")
            self.assertEqual(self.boards.state()["never0"]["openings"], [])

        print(f"\n  in {WINDOW_S} s: silent board opened {len(window['silent0']['openings'])}"
              f" time(s); a port that cannot be opened run {denied_runs} time(s);"
              f" the unplugged board's service run {unplugged['runs']} time(s);"
              f" {time.monotonic() - began:.0f} s from the first enable")


if __name__ == "__main__":
    unittest.main()
