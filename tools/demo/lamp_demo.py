"""The demo's steps: morvane drives the simulated lamp while the desktop changes.

scripts/demo starts the desktop first. Each step changes the desktop as a user
would and waits for the lamp's pins (simlamp's timeline) to show the colours it
should; the demo ends with status 0 only if every step did.

    lamp_demo.py PATH/TO/morvane PATH/TO/simlamp PATH/TO/morvane-lamp.elf
"""

import os
import subprocess
import sys
import threading
import time

from harness import desktop
from harness.board import UNO
from harness.program import MorvaneRun
from harness.simulated_lamp import BLUE, GREEN, RED, SimulatedLamp, describe
from harness.texts import END, HOW_TO_END, IME_OFF, IME_ON, SAVER

# The longest wait for the lamp to follow one step; it takes about 0.1 s.
STEP_TIMEOUT = 5.0
# Time to watch the lamp after each step. Longer than one cycle under the screen
# saver (0.6 s), so a steady lamp is told from a blinking one.
WATCH_SECONDS = 1.2
SAVER_WATCH_SECONDS = 3.0

STEPS = (
    ("Input method on (fcitx5-remote -o)", lambda: desktop.set_input_method(True), GREEN, IME_ON),
    ("Caps Lock on (xdotool key Caps_Lock)", desktop.toggle_caps_lock, RED | GREEN, None),
    ("Input method off (fcitx5-remote -c)", lambda: desktop.set_input_method(False),
     RED | BLUE, IME_OFF),
    ("Caps Lock off (xdotool key Caps_Lock)", desktop.toggle_caps_lock, BLUE, None),
)


class DemoFailed(Exception):
    pass


class Console:
    """Whole lines from the demo, the lamp and the program, one at a time."""

    def __init__(self):
        self._lock = threading.Lock()
        self._bold = ("\x1b[1m", "\x1b[0m") if sys.stdout.isatty() else ("", "")

    def show(self, source, text):
        with self._lock:
            print(f"  {source:<7} | {text}", flush=True)

    def heading(self, text):
        with self._lock:
            print(f"\n{self._bold[0]}{text}{self._bold[1]}", flush=True)


class Demo:
    def __init__(self, console, lamp, run):
        self.console = console
        self.lamp = lamp
        self.run = run
        self.total = len(STEPS) + 4
        self.number = 0

    def step(self, label, expected):
        self.number += 1
        self.console.heading(f"[{self.number}/{self.total}] {label}"
                             f" -> the lamp should show {describe(expected)}")

    def expect(self, colours, after, message=None, output_from=0, watch=WATCH_SECONDS):
        """Waits for the lamp to show colours (and the program to say message), then
        watches it for a while."""
        try:
            self.lamp.wait_for_colours(colours, after, timeout=STEP_TIMEOUT)
            if message:
                self.run.wait_for_output(message, output_from, timeout=STEP_TIMEOUT)
        except AssertionError as failure:
            raise DemoFailed(str(failure)) from None
        time.sleep(watch)

    def expect_steady(self, colours, after, message=None, output_from=0):
        self.expect(colours, after, message, output_from)
        recent = [line for line in self.lamp.lines[after:]
                  if line.colours is not None and line.wall > time.monotonic() - WATCH_SECONDS / 2]
        if self.lamp.colours_at(self.lamp.count() - 1) != colours or any(
                line.colours != colours for line in recent):
            raise DemoFailed(f"the lamp did not stay {describe(colours)}: {recent}")

    def change(self, label, action, colours, message=None):
        self.step(label, colours)
        before, output_from = self.lamp.count(), len(self.run.output)
        action()
        self.expect_steady(colours, before, message, output_from)

    def play(self):
        self.step("morvane starts, finds the lamp and opens its port; the lamp resets and"
                  " sends its identity; input method off, Caps Lock off", BLUE)
        try:
            self.run.wait_for_output(HOW_TO_END, timeout=STEP_TIMEOUT + 5)
        except AssertionError as failure:
            raise DemoFailed(str(failure)) from None
        self.expect_steady(BLUE, 0)
        for label, action, colours, message in STEPS:
            self.change(label, action, colours, message)
        self.step("Screen saver starts (xset s activate): the program keeps the lamp dark", 0)
        before, output_from = self.lamp.count(), len(self.run.output)
        desktop.set_screen_saver(True)
        self.expect(0, before, SAVER, output_from, watch=SAVER_WATCH_SECONDS)
        self.change("Screen saver ends (xset s reset)",
                    lambda: desktop.set_screen_saver(False), BLUE)
        self.end_with_shift_esc()

    def end_with_shift_esc(self):
        self.step("Shift+Esc (xdotool key shift+Escape): morvane switches the lamp dark"
                  " and ends", 0)
        before = self.lamp.count()
        desktop.press_shift_esc()
        status = self.run.finish(timeout=STEP_TIMEOUT)
        self.expect_steady(0, before)
        if status != 0 or not self.run.output.endswith(END):
            raise DemoFailed(f"morvane ended with status {status}")


def main(morvane, simlamp, firmware):
    console = Console()
    desktop.rest()
    console.heading(f"[demo] starting the simulated lamp: simlamp runs {firmware} on a"
                    " simulated ATmega328P")
    lamp = SimulatedLamp(simlamp, firmware, "--realtime", terminal=sys.stdout.isatty(),
                         echo=lambda line: console.show("lamp", line))
    run = None
    try:
        console.heading(f"[demo] A fake sysfs tree (SYSFS_PATH) shows the lamp's port"
                        f" {lamp.pty_path} as ttyACM0, USB product \"{UNO}\", which"
                        " arduino_portname.txt lists; morvane starts")
        run = MorvaneRun(morvane, lamp.pty_path, os.environ["DISPLAY"],
                         echo=lambda line: console.show("morvane", line))
        Demo(console, lamp, run).play()
    except (DemoFailed, subprocess.CalledProcessError) as failure:
        console.heading(f"[demo] FAILED at this step: {failure}")
        return 1
    except KeyboardInterrupt:
        console.heading("[demo] interrupted")
        return 130
    finally:
        if run is not None:
            run.close()
        errors = lamp.stop()
    if errors:
        console.heading(f"[demo] FAILED: simlamp complained: {errors}")
        return 1
    console.heading("[demo] morvane ended with status 0; every step lit the lamp as it should")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
