"""Drives the private desktop that desktop_session.sh starts, as a user would."""

import subprocess


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


def press_shift_esc():
    run("xdotool", "key", "shift+Escape")


def rest():
    """No screen saver, the input method off, Caps Lock off: the lamp shows blue."""
    set_screen_saver(False)
    set_input_method(False)
    set_caps_lock(False)
