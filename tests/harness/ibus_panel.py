#!/usr/bin/python3
"""A stand-in IBus panel, as GNOME Shell is one: it owns
org.freedesktop.IBus.Panel on ibus-daemon's bus, again each time
ibus-daemon comes back, and shows nothing. ibus-daemon tells its panel the
focused input context's properties. Prints "panel" each time it owns the
name. Unlike ibus-ui-gtk3 it sets no engine of its own as it starts."""
import gi

gi.require_version("IBus", "1.0")
from gi.repository import GLib, IBus  # noqa: E402

IBus.init()
bus = IBus.Bus()
services = []


def serve(*_):
    services[:] = [IBus.PanelService.new(bus.get_connection())]
    bus.request_name(IBus.SERVICE_PANEL, 0)
    print("panel", flush=True)


bus.connect("connected", serve)
if bus.is_connected():
    serve()
GLib.MainLoop().run()
