#!/usr/bin/python3
"""A GTK window with a text entry that holds the keyboard's focus, until
killed: a native Wayland application's text field, as the input method sees
it. Run with GDK_BACKEND=wayland and GTK_IM_MODULE=wayland."""
import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

window = Gtk.Window(title="morvane-e2e")
entry = Gtk.Entry()
window.add(entry)
window.connect("destroy", Gtk.main_quit)
window.show_all()
entry.grab_focus()
Gtk.main()
