#!/usr/bin/python3
"""Gives IBus a focused input context, as an application's text field does,
and again each time ibus-daemon comes back; prints "focused" each time. Each
line on its standard input names an engine property to activate
("InputMode.Hiragana"), as a click on the panel's menu does."""
import os
import sys

import gi

gi.require_version("IBus", "1.0")
from gi.repository import GLib, IBus  # noqa: E402

IBus.init()
bus = IBus.Bus()
contexts = []
unread = [b""]


def focus(*_):
    context = bus.create_input_context("morvane-e2e")
    context.set_capabilities(IBus.Capabilite.FOCUS)
    context.focus_in()
    contexts[:] = [context]
    print("focused", flush=True)


def activate(*_):
    # Every line that came: a buffered reader would keep the later ones of a
    # read from the watch until more came.
    data = os.read(sys.stdin.fileno(), 4096)
    if not data:
        loop.quit()
        return False
    *lines, unread[0] = (unread[0] + data).split(b"\n")
    for line in lines:
        if contexts:
            contexts[0].property_activate(line.decode(), IBus.PropState.CHECKED)
    return True


bus.connect("connected", focus)
if bus.is_connected():
    focus()
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, activate)
loop = GLib.MainLoop()
loop.run()
