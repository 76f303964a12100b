#!/usr/bin/python3
"""Stands in for logind on a private system bus and for GNOME's lock screen
(org.gnome.ScreenSaver) on a private session bus:

    logind_service.py SYSTEM_BUS_ADDRESS SESSION_BUS_ADDRESS

The session is found by GetSessionByPID (or, after SetPidSessions(false), only
by GetSession("auto")); its LockedHint and Active come with PropertiesChanged.
Inhibit hands out one end of a pipe per lock; the test asks how many are still
held. The test drives it through org.morvane.Test.Logind and
org.morvane.Test.ScreenSaver."""
import os
import select
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

LOGIN = "org.freedesktop.login1"
MANAGER_PATH = "/org/freedesktop/login1"
MANAGER = "org.freedesktop.login1.Manager"
SESSION_PATH = "/org/freedesktop/login1/session/_31"
SESSION = "org.freedesktop.login1.Session"
PROPERTIES = "org.freedesktop.DBus.Properties"
TEST = "org.morvane.Test.Logind"


class Session(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, SESSION_PATH)
        self.values = {"LockedHint": False, "Active": True, "Id": "1"}

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {name: (dbus.Boolean(value) if isinstance(value, bool) else value)
                for name, value in self.values.items()}

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    def change(self, name, value):
        self.values[name] = bool(value)
        self.PropertiesChanged(SESSION, {name: dbus.Boolean(value)}, [])


class Manager(dbus.service.Object):
    def __init__(self, bus, session):
        super().__init__(bus, MANAGER_PATH)
        self.session = session
        self.pid_sessions = True
        self.inhibitors = []  # our ends of the pipes whose other ends we handed out
        self.asked = []

    @dbus.service.method(MANAGER, in_signature="u", out_signature="o")
    def GetSessionByPID(self, pid):
        self.asked.append(f"pid:{pid}")
        if not self.pid_sessions:
            raise dbus.DBusException("PID does not belong to any known session",
                                     name="org.freedesktop.login1.NoSessionForPID")
        return dbus.ObjectPath(SESSION_PATH)

    @dbus.service.method(MANAGER, in_signature="s", out_signature="o")
    def GetSession(self, name):
        self.asked.append(f"session:{name}")
        if name != "auto":
            raise dbus.DBusException("No such session", name="org.freedesktop.login1.NoSuchSession")
        return dbus.ObjectPath(SESSION_PATH)

    @dbus.service.method(MANAGER, in_signature="ssss", out_signature="h")
    def Inhibit(self, what, who, why, mode):
        self.asked.append(f"inhibit:{what}:{who}:{mode}")
        ours, theirs = os.pipe()
        self.inhibitors.append(ours)
        handed = dbus.types.UnixFd(theirs)
        os.close(theirs)
        return handed

    @dbus.service.signal(MANAGER, signature="b")
    def PrepareForSleep(self, start):
        pass

    @dbus.service.method(TEST, in_signature="b")
    def SetLockedHint(self, locked):
        self.session.change("LockedHint", locked)

    @dbus.service.method(TEST, in_signature="b")
    def SetActive(self, active):
        self.session.change("Active", active)

    @dbus.service.method(TEST, in_signature="b")
    def Sleep(self, start):
        self.PrepareForSleep(bool(start))

    @dbus.service.method(TEST, in_signature="b")
    def SetPidSessions(self, known):
        self.pid_sessions = bool(known)

    @dbus.service.method(TEST, out_signature="i")
    def InhibitorsHeld(self):
        """The locks handed out whose other end is still open somewhere."""
        held = 0
        for ours in self.inhibitors:
            ready, _, _ = select.select([ours], [], [], 0)
            held += 0 if ready else 1
        return held

    @dbus.service.method(TEST, out_signature="as")
    def Asked(self):
        return self.asked


class GnomeScreenSaver(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/gnome/ScreenSaver")
        self.active = False

    @dbus.service.method("org.gnome.ScreenSaver", out_signature="b")
    def GetActive(self):
        return self.active

    @dbus.service.method("org.morvane.Test.ScreenSaver", in_signature="b")
    def SetActive(self, active):
        self.active = bool(active)


DBusGMainLoop(set_as_default=True)
system = dbus.bus.BusConnection(sys.argv[1])
session_bus = dbus.bus.BusConnection(sys.argv[2])
session = Session(system)
manager = Manager(system, session)
gnome = GnomeScreenSaver(session_bus)
# The names last, so that a test that sees them sees everything served.
names = [dbus.service.BusName("org.gnome.ScreenSaver", session_bus),
         dbus.service.BusName(LOGIN, system)]
GLib.MainLoop().run()
