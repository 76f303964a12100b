#!/usr/bin/python3
"""Gives fcitx5 a focused input context, as an application's text field does,
and holds it until killed. Prints the context's object path once focused."""
import signal

import dbus

bus = dbus.SessionBus()
input_method = bus.get_object("org.fcitx.Fcitx5", "/org/freedesktop/portal/inputmethod")
path, _uuid = input_method.CreateInputContext(
    [("program", "morvane-e2e")], dbus_interface="org.fcitx.Fcitx.InputMethod1")
context = bus.get_object("org.fcitx.Fcitx5", path)
context.FocusIn(dbus_interface="org.fcitx.Fcitx.InputContext1")
print(path, flush=True)
signal.pause()
