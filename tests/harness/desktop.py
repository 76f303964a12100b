"""The desktop the program reads: the private desktop that desktop_session.sh
starts, driven as a user would; or a bare private session bus, whose
services are missing, that the program asks every cycle."""

import os
import shutil
import subprocess
import time


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def caps_lock_is_on():
    indicators = subprocess.run(["xset", "q"], check=True, capture_output=True, text=True).stdout
    return "Caps Lock:   on" in indicators


def toggle_caps_lock():
    run("xdotool", "key", "Caps_Lock")


def set_caps_lock(on):
    if caps_lock_is_on() != on:
        toggle_caps_lock()


def set_input_method(on):
    run("fcitx5-remote", "-o" if on else "-c")


def set_screen_saver(on):
    run("xset", "s", "activate" if on else "reset")


def press_esc():
    run("xdotool", "key", "Escape")


def hold_shift(down):
    run("xdotool", "keydown" if down else "keyup", "shift")


def press_shift_esc():
    run("xdotool", "key", "shift+Escape")


def rest():
    """No screen saver, the input method off, Caps Lock off: the lamp shows blue."""
    set_screen_saver(False)
    set_input_method(False)
    set_caps_lock(False)


class PrivateSessionBus:
    """A dbus-daemon of its own with its socket in folder; give the program
    its address (DBUS_SESSION_BUS_ADDRESS)."""

    def __init__(self, folder, name="session-bus"):
        os.makedirs(folder, exist_ok=True)
        socket = os.path.join(folder, name)
        self.address = f"unix:path={socket}"
        self._daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", f"--address={self.address}"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while not os.path.exists(socket) and time.monotonic() < deadline:
            time.sleep(0.01)

    @staticmethod
    def available():
        return shutil.which("dbus-daemon") is not None

    def stop(self):
        self._daemon.terminate()
        self._daemon.wait()
