"""Nobody at the computer, as Linux tells it: a fake logind on a private
system bus and GNOME's lock screen on a private session bus
(logind_service.py, run by the system's Python, which has its D-Bus
binding), driven with dbus-send as the system would drive them."""

import os
import subprocess
import time

from harness.desktop import PrivateSessionBus

SERVICE = os.path.join(os.path.dirname(__file__), "logind_service.py")
LOGIN = ("org.freedesktop.login1", "/org/freedesktop/login1", "org.morvane.Test.Logind")
GNOME = ("org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.morvane.Test.ScreenSaver")


def _call(address, target, member, *arguments):
    """The reply's lines after its header, as dbus-send prints them."""
    service, path, interface = target
    reply = subprocess.run(
        ["dbus-send", f"--bus={address}", "--print-reply", f"--dest={service}", path,
         f"{interface}.{member}", *arguments], check=True, capture_output=True, text=True).stdout
    return reply.splitlines()[1:]


def _boolean(value):
    return f"boolean:{'true' if value else 'false'}"


class AwayServices:
    """The two buses and the services on them, in folder; environment() gives
    the program their addresses."""

    def __init__(self, folder):
        self._system = PrivateSessionBus(os.path.join(folder, "system"), "system-bus")
        self._session = PrivateSessionBus(os.path.join(folder, "session"))
        self._service = subprocess.Popen(
            ["/usr/bin/python3", SERVICE, self._system.address, self._session.address])
        deadline = time.monotonic() + 10
        while not self._served():
            if time.monotonic() > deadline or self._service.poll() is not None:
                raise AssertionError("the fake logind did not come up")
            time.sleep(0.05)

    def _served(self):
        bus = ("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus")
        return "boolean true" in " ".join(
            _call(self._system.address, bus, "NameHasOwner", "string:org.freedesktop.login1"))

    def environment(self):
        return {"DBUS_SYSTEM_BUS_ADDRESS": self._system.address,
                "DBUS_SESSION_BUS_ADDRESS": self._session.address}

    def _logind(self, member, *arguments):
        return _call(self._system.address, LOGIN, member, *arguments)

    def lock(self, locked):
        self._logind("SetLockedHint", _boolean(locked))

    def leave_the_console(self, away):
        self._logind("SetActive", _boolean(not away))

    def gnome_lock(self, locked):
        _call(self._session.address, GNOME, "SetActive", _boolean(locked))

    def sleep(self, start):
        """PrepareForSleep(start); returns when it was sent."""
        self._logind("Sleep", _boolean(start))

    def find_sessions_by_pid(self, known):
        self._logind("SetPidSessions", _boolean(known))

    def inhibitors_held(self):
        return int(self._logind("InhibitorsHeld")[0].split()[-1])

    def asked(self):
        """What the program asked logind for: "pid:N", "session:auto", "inhibit:..."."""
        return [line.strip().removeprefix("string ").strip('"')
                for line in self._logind("Asked") if "string" in line]

    def stop(self):
        self._service.terminate()
        self._service.wait()
        self._system.stop()
        self._session.stop()
