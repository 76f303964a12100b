#!/usr/bin/python3
"""Stands in for the desktop's org.freedesktop.ScreenSaver. GetActive answers
what the test last set with SetActive; after SetHung(true) it never answers,
like a service that hangs."""
import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

TEST_INTERFACE = "org.morvane.Test.ScreenSaver"


class ScreenSaver(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/ScreenSaver")
        self.active = False
        self.hung = False

    @dbus.service.method("org.freedesktop.ScreenSaver", out_signature="b",
                         async_callbacks=("reply", "error"))
    def GetActive(self, reply, error):
        if not self.hung:
            reply(self.active)

    @dbus.service.method(TEST_INTERFACE, in_signature="b")
    def SetActive(self, active):
        self.active = bool(active)

    @dbus.service.method(TEST_INTERFACE, in_signature="b")
    def SetHung(self, hung):
        self.hung = bool(hung)


DBusGMainLoop(set_as_default=True)
session = dbus.SessionBus()
name = dbus.service.BusName("org.freedesktop.ScreenSaver", session)
service = ScreenSaver(session)
GLib.MainLoop().run()
