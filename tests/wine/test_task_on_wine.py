"""The Windows installer and the launcher that Task Scheduler starts, under Wine.

The installer installs and removes itself silently (/S) as a user's own
install; the launcher runs the installed program against fake boards as the
task would. Wine keeps a registered task's settings but drops its triggers,
principal and actions, and it neither runs a task nor fires a trigger: those
are read from morvane-task.xml, which the launcher writes from the same
definition that it registers.
"""

import getpass
import os
import re
import signal
import subprocess
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile

from harness.board import UNO, FakeBoard
from harness.texts import (
    AS_A_TASK, BANNER, END, NO_SERIAL_PORT, NONE_LISTED, found, handshake)
from program_run import PAUSE_PROMPT, ProgramRun, sjis
from wine_machine import Device, package, prefix, plug_in, run_helper, wine_environment

SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
# The user's folders, as Windows names them and where this prefix keeps them.
WINDOWS_PROFILE = rf"C:\users\{getpass.getuser()}"


def setup_path():
    return re.sub(r"\.zip$", "-setup.exe", package())


def profile_path():
    return os.path.join(prefix(), "drive_c", "users", getpass.getuser())


def programs_path():
    return os.path.join(profile_path(), "AppData", "Local", "Programs", "morvane")


def list_file_path():
    return os.path.join(profile_path(), "AppData", "Roaming", "morvane", "arduino_portname.txt")


def log_path():
    return os.path.join(profile_path(), "AppData", "Local", "morvane", "morvane.log")


def menu_path():
    return os.path.join(profile_path(), "AppData", "Roaming", "Microsoft", "Windows",
                        "Start Menu", "Programs", "morvane")


def registered_task_path():
    return os.path.join(prefix(), "drive_c", "windows", "system32", "tasks", "morvane")


def launcher_path():
    return os.path.join(programs_path(), "morvane-task.exe")


UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\morvane"
TASK = "{http://schemas.microsoft.com/windows/2004/02/mit/task}"

MONITORED = rb"r+"
DARK = rb"rgb"
STAMP = r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  "


def environment():
    """Wine as a Japanese Windows (wine_machine), with the C library's
    Japanese locale made for it once in the session's folder: without it Wine
    takes Unix file names for ASCII, and the Start menu's Japanese names
    could not be made."""
    locales = os.path.join(os.path.dirname(prefix()), "locales")
    if not os.path.isdir(os.path.join(locales, "ja_JP.UTF-8")):
        os.makedirs(locales, exist_ok=True)
        subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8",
                        os.path.join(locales, "ja_JP.UTF-8")], check=True)
    return dict(wine_environment(), LOCPATH=locales)


def wine(*args, timeout=30):
    """A Windows program run to its end: its exit status."""
    with tempfile.TemporaryFile() as output:
        return subprocess.run(["wine", *args], env=environment(), stdin=subprocess.DEVNULL,
                              stdout=output, stderr=subprocess.STDOUT, timeout=timeout).returncode


def wine_output(*args, timeout=30):
    """What a Windows program printed, whatever its end."""
    with tempfile.TemporaryFile() as output:
        subprocess.run(["wine", *args], env=environment(), stdin=subprocess.DEVNULL,
                       stdout=output, stderr=subprocess.DEVNULL, timeout=timeout)
        output.seek(0)
        return output.read().decode("cp932", errors="replace")


def prefix_processes(image):
    """The Unix ids of this prefix's processes that run image, oldest first."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                command = f.read().split(b"\0")[0].rstrip(b'"')
            with open(f"/proc/{pid}/environ", "rb") as f:
                environment = f.read().split(b"\0")
            with open(f"/proc/{pid}/stat") as f:
                started = int(f.read().rsplit(")", 1)[1].split()[19])
        except OSError:
            continue
        if (command.lower().endswith(b"\\" + image.encode())
                and b"WINEPREFIX=" + prefix().encode() in environment):
            found.append((started, int(pid)))
    return [pid for _, pid in sorted(found)]


def start_scheduler():
    """Wine's Task Scheduler service, which registers tasks. Its service
    database may be locked for a while after the prefix is made. A fresh
    prefix's first boot may also leave a second service manager behind, and
    with a server that stays (the suite's) the two keep the database locked
    for good: the second is ended."""
    deadline = time.monotonic() + 60
    while not re.search(r"STATE\s+:\s+4\s+RUNNING", wine_output("sc", "query", "schedule")):
        if time.monotonic() > deadline:
            raise AssertionError("Wine's Task Scheduler service did not start")
        for extra in prefix_processes("services.exe")[1:]:
            os.kill(extra, signal.SIGKILL)
        wine("net", "start", "schedule")


def install():
    start_scheduler()
    if wine(setup_path(), "/S") != 0:
        raise AssertionError(f"{setup_path()} /S failed")


def uninstall():
    """The uninstaller runs from a copy of itself, so its end is seen as its
    last deletion, the program folder's."""
    if wine(os.path.join(programs_path(), "uninstall.exe"), "/S") != 0:
        raise AssertionError("uninstall.exe /S failed")
    deadline = time.monotonic() + 30
    while os.path.exists(programs_path()):
        if time.monotonic() > deadline:
            raise AssertionError(f"{programs_path()} left after the uninstall: {os.listdir(programs_path())}")
        time.sleep(0.2)


def registry_values(key):
    """A key's values as reg shows them: {name: text}, empty when none."""
    lines = wine_output("reg", "query", key).splitlines()
    return dict(re.match(r"\s+(\S+)\s+REG_\w+\s+(.*)", line).groups() for line in lines
                if re.match(r"\s+\S+\s+REG_", line))


def log_lines():
    """The log's lines, each with its time stamp checked and taken off."""
    with open(log_path(), "rb") as f:
        text = f.read().decode("utf-8")
    lines = text.split("\r\n")
    assert lines[-1] == "", f"the log ends within a line: {text!r}"
    for line in lines[:-1]:
        assert re.match(STAMP, line), f"no time stamp: {line!r}"
    return [line[len("2025-01-31 09:05:07.042  "):] for line in lines[:-1]]


def wait_for_log(line, timeout=10):
    """Until the log holds line; the launcher writes each as it comes."""
    deadline = time.monotonic() + timeout
    while not (os.path.exists(log_path()) and line in log_lines()):
        if time.monotonic() > deadline:
            raise AssertionError(f"the log never held {line!r}")
        time.sleep(0.1)


def as_logged(text):
    """The program's text as the log holds it: line by line, without the
    empty lines."""
    return [line for line in text.split("\n") if line]


def memory(pid):
    """A Wine process's resident memory, whole and anonymous (its heaps and
    stacks, Wine's own among them, without the mapped images), in MB."""
    with open(f"/proc/{pid}/status") as f:
        status = f.read()
    whole, anonymous = (int(re.search(rf"{name}:\s+(\d+) kB", status).group(1)) / 1024
                        for name in ("VmRSS", "RssAnon"))
    return f"{whole:.1f} MB ({anonymous:.1f} MB anonymous)"


class InstallerTest(unittest.TestCase):
    def test_the_package_target_makes_the_installer_beside_the_zip_with_the_guide(self):
        with open(setup_path(), "rb") as setup:
            self.assertEqual(setup.read(2), b"MZ")
        print(f"\ninstaller: {os.path.getsize(setup_path()) / 1024:.0f} KB, "
              f"ZIP: {os.path.getsize(package()) / 1024:.0f} KB")
        # Japanese, for Notepad: UTF-8 with its byte-order mark.
        with zipfile.ZipFile(package()) as unpacked:
            guide = unpacked.read("README-ja.txt")
        self.assertTrue(guide.startswith(b"\xef\xbb\xbf"))
        self.assertIn("タスク スケジューラ", guide.decode("utf-8-sig"))

    def test_a_silent_install_and_uninstall_keep_the_users_list_file(self):
        # An uninstall leaves the list file: another scenario's may be there.
        if os.path.exists(list_file_path()):
            os.remove(list_file_path())
        install()
        self.addCleanup(lambda: os.path.exists(programs_path()) and uninstall())
        self.assertEqual(sorted(os.listdir(programs_path())), [
            "LICENSE", "README-ja.txt", "README.md", "morvane-probe.exe", "morvane-task.exe",
            "morvane-task.xml", "morvane.exe", "uninstall.exe"])
        with open(list_file_path(), "rb") as listed, \
                open(os.path.join(SOURCES, "arduino_portname.txt"), "rb") as sample:
            self.assertEqual(listed.read(), sample.read())
        entry = registry_values(UNINSTALL_KEY)
        windows_programs = WINDOWS_PROFILE + r"\AppData\Local\Programs\morvane"
        self.assertEqual(entry["DisplayName"], "morvane")
        self.assertEqual(entry["InstallLocation"], windows_programs)
        self.assertEqual(entry["QuietUninstallString"], rf'"{windows_programs}\uninstall.exe" /S')
        self.assertEqual(entry["NoModify"], "0x1")
        self.assertGreater(int(entry["EstimatedSize"], 16), 1000)  # KB
        self.assertEqual(sorted(os.listdir(menu_path())), sorted([
            "リストファイルを編集.lnk", "morvane を開始.lnk", "morvane を停止.lnk", "ログを開く.lnk",
            "morvane-probe.lnk", "使い方.lnk"]))
        self.assertTrue(os.path.exists(registered_task_path()))

        # Upgraded over itself, the list as the user edited it stays.
        edited = b"// mine\r\nArduino Mega 2560\r\n"
        with open(list_file_path(), "wb") as f:
            f.write(edited)
        install()
        uninstall()
        self.assertFalse(os.path.exists(menu_path()))
        self.assertFalse(os.path.exists(registered_task_path()))
        self.assertEqual(registry_values(UNINSTALL_KEY), {})
        with open(list_file_path(), "rb") as f:
            self.assertEqual(f.read(), edited)

    def test_the_task_comes_back_on_log_on_unlock_and_a_port_and_is_never_cut_short(self):
        install()
        self.addCleanup(uninstall)
        with open(os.path.join(programs_path(), "morvane-task.xml"), "rb") as f:
            written = f.read()
        # As Task Scheduler exports a task, for an administrator to import.
        self.assertTrue(written.startswith("\ufeff<?xml".encode("utf-16-le")))
        task = ElementTree.fromstring(written)
        user = task.findtext(f"{TASK}Principals/{TASK}Principal/{TASK}UserId")
        self.assertTrue(user.endswith("\\" + getpass.getuser()), user)
        self.assertEqual(task.findtext(f".//{TASK}Principal/{TASK}LogonType"), "InteractiveToken")
        self.assertEqual(task.findtext(f".//{TASK}Principal/{TASK}RunLevel"), "LeastPrivilege")
        triggers = task.find(f"{TASK}Triggers")
        self.assertEqual([t.tag.removeprefix(TASK) for t in triggers],
                         ["LogonTrigger", "SessionStateChangeTrigger", "EventTrigger"])
        self.assertEqual(triggers.findtext(f"{TASK}LogonTrigger/{TASK}UserId"), user)
        unlock = triggers.find(f"{TASK}SessionStateChangeTrigger")
        self.assertEqual(unlock.findtext(f"{TASK}StateChange"), "SessionUnlock")
        self.assertEqual(unlock.findtext(f"{TASK}UserId"), user)
        port = triggers.find(f"{TASK}EventTrigger")
        self.assertEqual(port.findtext(f"{TASK}Delay"), "PT5S")
        query = ElementTree.fromstring(port.findtext(f"{TASK}Subscription")).find("Query")
        self.assertEqual(query.get("Path"), "Microsoft-Windows-Kernel-PnP/Configuration")
        self.assertIn("EventID=410", query.findtext("Select"))
        self.assertIn("Data[@Name='ClassGuid']='{4d36e978-e325-11ce-bfc1-08002be10318}'",
                      query.findtext("Select"))
        action = task.find(f"{TASK}Actions/{TASK}Exec")
        self.assertEqual(action.findtext(f"{TASK}Command"),
                         WINDOWS_PROFILE + r"\AppData\Local\Programs\morvane\morvane-task.exe")
        self.assertEqual(action.findtext(f"{TASK}WorkingDirectory"),
                         WINDOWS_PROFILE + r"\AppData\Roaming\morvane")
        # What Wine kept of the registered task: its settings, as written.
        with open(registered_task_path(), "rb") as f:
            registered = ElementTree.fromstring(f.read())
        for settings in (task.find(f"{TASK}Settings"), registered.find(f"{TASK}Settings")):
            self.assertEqual(
                {name: settings.findtext(TASK + name) for name in (
                    "MultipleInstancesPolicy", "ExecutionTimeLimit", "DisallowStartIfOnBatteries",
                    "StopIfGoingOnBatteries", "StartWhenAvailable")},
                {"MultipleInstancesPolicy": "IgnoreNew", "ExecutionTimeLimit": "PT0S",
                 "DisallowStartIfOnBatteries": "false", "StopIfGoingOnBatteries": "false",
                 "StartWhenAvailable": "true"})


class LauncherTest(unittest.TestCase):
    """The installed launcher as the task runs it, with an Uno listed in the
    user's list file."""

    def setUp(self):
        install()
        self.addCleanup(uninstall)
        with open(list_file_path(), "wb") as f:
            f.write(b"Arduino Uno\r\n")
        os.remove(log_path())  # what the install wrote

    def board(self):
        board = FakeBoard(delay=0.5, timed=True)
        self.addCleanup(board.close)
        return board

    def start_launcher(self):
        errors = tempfile.TemporaryFile()
        self.addCleanup(errors.close)
        launcher = subprocess.Popen(["wine", launcher_path()], env=environment(),
                                    stdin=subprocess.DEVNULL, stdout=errors, stderr=errors)
        self.addCleanup(lambda: launcher.poll() is None and launcher.kill())
        return launcher

    def test_the_launcher_runs_the_program_without_a_window_and_stop_ends_it_dark(self):
        board = self.board()
        plug_in(Device("COM3", UNO, board.path))
        launcher = self.start_launcher()
        board.wait_for_bytes(MONITORED, timeout=20)
        wait_for_log(as_logged(AS_A_TASK)[-1])
        self.assertEqual(log_lines(), as_logged(BANNER + found("COM3") + handshake("COM3")
                                                + AS_A_TASK))
        # Without a window, Shift+Esc is some other program's.
        run_helper("press_keys.exe", "shift+esc")
        time.sleep(0.5)
        self.assertIsNone(launcher.poll())
        print(f"\nresident under Wine: morvane-task.exe {memory(launcher.pid)}, "
              f"morvane.exe {memory(prefix_processes('morvane.exe')[0])}")

        asked = time.monotonic()
        self.assertEqual(wine(launcher_path(), "stop"), 0)
        self.assertEqual(launcher.wait(timeout=20), 0)
        board.wait_for_bytes(MONITORED + DARK, timeout=5)
        dark = board.received.arrivals[-1][0]
        print(f"stop to the last of r, g, b: {(dark - asked) * 1000:.0f} ms")
        self.assertEqual(log_lines()[-1], as_logged(END)[-1])

    def test_the_launcher_ends_at_once_with_2_when_no_listed_device_is_present(self):
        plug_in()
        started = time.monotonic()
        # A pause that waited for a key would hold it until the time-out.
        self.assertEqual(self.start_launcher().wait(timeout=30), 2)
        print(f"\nno device: ended after {time.monotonic() - started:.1f} s")
        self.assertEqual(log_lines()[:-1], as_logged(BANNER + NONE_LISTED + NO_SERIAL_PORT))
        self.assertEqual(log_lines()[-1], PAUSE_PROMPT.decode("cp932"))


class CloseTest(unittest.TestCase):
    def test_closing_the_programs_window_ends_it_dark(self):
        # As taskkill without /F does: WM_CLOSE to each of its top-level
        # windows.
        board = FakeBoard(delay=0.5)
        self.addCleanup(board.close)
        plug_in(Device("COM3", UNO, board.path))
        with tempfile.TemporaryDirectory() as work:
            with open(os.path.join(work, "arduino_portname.txt"), "wb") as f:
                f.write(b"Arduino Uno\r\n")
            run = ProgramRun(work)
            self.addCleanup(run.errors.close)
            self.addCleanup(lambda: run.process.poll() is None and run.process.send_signal(
                signal.SIGKILL))
            board.wait_for_bytes(MONITORED, timeout=20)
            # The program makes its window on a thread of its own as it
            # begins to monitor, and the window of its input method may come
            # first: taskkill is asked again until the program has ended.
            deadline = time.monotonic() + 10
            while True:
                wine("taskkill", "/im", "morvane.exe")
                if not run.still_running_after(1):
                    break
                self.assertLess(time.monotonic(), deadline, "the program did not end")
            output, status = run.finish()
        self.assertTrue(output.endswith(sjis(END)), run.text())
        self.assertEqual(status, 0)
        board.wait_for_bytes(MONITORED + DARK, timeout=2)


if __name__ == "__main__":
    unittest.main()
