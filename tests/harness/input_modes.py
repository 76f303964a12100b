"""The mode inside the input method, switched as a user would: an IBus
engine's property, as from the panel's menu, on the focused input context
that run_engine_mode_e2e.sh's desktop has; Mozc's mode under fcitx5 from the
tray's menu."""

import os
import subprocess
import time

import dbus
import dbus.bus

SYSTEM_PYTHON = "/usr/bin/python3"
CLIENT = os.path.join(os.path.dirname(__file__), "ibus_context_client.py")
WATCHER = os.path.join(os.path.dirname(__file__), "tray_watcher.py")


def ibus_engine():
    return subprocess.run(["ibus", "engine"], check=False, capture_output=True,
                          text=True).stdout.strip()


def set_ibus_engine(name, timeout=10.0):
    """Until ibus-daemon names it as its engine: "ibus engine" at times finds
    no ibus-daemon to connect to, and fails having set the engine where
    setxkbmap fails."""
    deadline = time.monotonic() + timeout
    while True:
        subprocess.run(["ibus", "engine", name], check=False, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        if ibus_engine() == name:
            return
        if time.monotonic() > deadline:
            raise AssertionError(f"ibus-daemon's engine is not {name}")
        time.sleep(0.1)


def _ibus_address():
    return subprocess.run(["ibus", "address"], check=False, capture_output=True,
                          text=True).stdout.strip()


def _has_panel(address):
    try:
        bus = dbus.bus.BusConnection(address)
    except dbus.DBusException:
        return False
    try:
        return bool(bus.name_has_owner("org.freedesktop.IBus.Panel"))
    finally:
        bus.close()


def restart_ibus(timeout=10.0):
    """Until the new ibus-daemon has its panel again."""
    before = _ibus_address()
    subprocess.run(["ibus", "restart"], check=True, stdout=subprocess.DEVNULL)
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        address = _ibus_address()
        if address not in ("", before) and _has_panel(address):
            return
        time.sleep(0.1)
    raise AssertionError("ibus-daemon came back without its panel")


class IbusContext:
    """A focused input context of its own, focused again each time
    ibus-daemon comes back."""

    def __init__(self):
        self._client = subprocess.Popen([SYSTEM_PYTHON, CLIENT], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True)
        self.wait_focused()

    def wait_focused(self):
        if self._client.stdout.readline() != "focused\n":
            raise AssertionError("the IBus input context got no focus")

    def activate(self, name):
        """name: a property's key, "InputMode.Hiragana"."""
        self._client.stdin.write(name + "\n")
        self._client.stdin.flush()

    def close(self):
        self._client.stdin.close()
        self._client.wait(timeout=10)
        self._client.stdout.close()


class TrayWatcher:
    """A stand-in tray, which fcitx5 publishes its tray item to as soon as it
    appears, as it does to KDE's when the desktop starts after it."""

    def __init__(self):
        self._watcher = subprocess.Popen([SYSTEM_PYTHON, WATCHER], stdout=subprocess.PIPE,
                                         text=True)
        if self._watcher.stdout.readline() != "watching\n":
            raise AssertionError("the tray watcher did not start")
        _fcitx_tray_item(dbus.SessionBus())

    def close(self):
        self._watcher.terminate()
        self._watcher.wait(timeout=10)
        self._watcher.stdout.close()


def _fcitx_tray_item(bus, timeout=10.0):
    """fcitx5 publishes its item once its input method is loaded."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        item = _listed_fcitx_item(bus)
        if item:
            return item
        time.sleep(0.1)
    raise AssertionError("fcitx5 published no tray item")


def _listed_fcitx_item(bus):
    watcher = bus.get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
    for entry in watcher.Get("org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems",
                             dbus_interface="org.freedesktop.DBus.Properties"):
        service, _, path = entry.partition("/")
        item = bus.get_object(service, "/" + path)
        if item.Get("org.kde.StatusNotifierItem", "Id",
                    dbus_interface="org.freedesktop.DBus.Properties") == "Fcitx":
            return service, item.Get("org.kde.StatusNotifierItem", "Menu",
                                     dbus_interface="org.freedesktop.DBus.Properties")
    return None


def _menu_item(node, label):
    ident, properties, children = node
    if properties.get("label") == label:
        return ident
    for child in children:
        found = _menu_item(child, label)
        if found is not None:
            return found
    return None


def choose_tray_mode(label):
    """Clicks the item of fcitx5's tray menu with this label ("Direct",
    "Hiragana", "Half ASCII"), as the tray does for a user's click."""
    bus = dbus.SessionBus()
    service, path = _fcitx_tray_item(bus)
    menu = dbus.Interface(bus.get_object(service, path), "com.canonical.dbusmenu")
    _, layout = menu.GetLayout(0, -1, [])
    ident = _menu_item(layout, label)
    if ident is None:
        raise AssertionError(f"fcitx5's tray menu has no {label!r}")
    menu.Event(ident, "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(int(time.time())))
