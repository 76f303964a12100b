#!/usr/bin/env python3
"""How long a monitor cycle of the real Linux program takes while a source takes
the connection and never answers: the session bus, IBus, the X display, and
all three at once (tests/harness/silent_peers.py), with no source at all for
comparison.

  tests/harness/python silent_source_figures.py MORVANE [SECONDS (10)]

The keyboard's Caps Lock LED is lit in the fake sysfs tree, so every cycle
sends a red byte; a cycle's duration is the time from one red byte's arrival
on the board to the next, less the 100 ms that the cycle sleeps. The first red
byte is timed from the last line before the monitor loop (the notice that X
cannot be reached, printed once the display has had its half second).
Figures only: it asserts nothing about speed.
"""

import sys
import time

from figures import arguments, median_and_worst, ms
from harness.board import UNO, FakeBoard, set_caps_lock_led
from harness.program import NO_DESKTOP_SESSION, WorkFolder, wait_for_output
from harness.silent_peers import SilentPeer, silent_bus
from harness.texts import KEEP_THE_WINDOW, NO_DISPLAY

SLEEP_S = 0.1


def red_arrivals(board):
    """When each red byte arrived: bytes come one a write, so one a piece."""
    return [when for when, _, data in board.received.arrivals for byte in data if byte == ord("R")]


def run(binary, silent, seconds):
    work = WorkFolder()
    peers = {"session bus": silent_bus(work.path, "session-bus"),
             "IBus": silent_bus(work.path, "ibus"), "X display": SilentPeer()}
    board = FakeBoard(timed=True)
    try:
        sysfs = work.show_ports((UNO, board.path))
        set_caps_lock_led(sysfs, True)
        env = dict(NO_DESKTOP_SESSION)
        if "session bus" in silent:
            env["DBUS_SESSION_BUS_ADDRESS"] = peers["session bus"].address
        if "IBus" in silent:
            env["IBUS_ADDRESS"] = peers["IBus"].address
        display = peers["X display"].display if "X display" in silent else None
        process = work.start(binary, sysfs, display=display, env=env)
        wait_for_output(process, KEEP_THE_WINDOW + NO_DISPLAY, timeout=30)
        loop_began = time.monotonic()
        time.sleep(seconds)
        process.terminate()
        process.communicate(timeout=10)
        arrivals = red_arrivals(board)
        cycles = [later - earlier - SLEEP_S for earlier, later in zip(arrivals, arrivals[1:])]
        return arrivals[0] - loop_began, cycles
    finally:
        board.close()
        for peer in peers.values():
            peer.close()
        work.cleanup()


def main(binary, seconds):
    for silent in ((), ("session bus",), ("IBus",), ("X display",),
                   ("session bus", "IBus", "X display")):
        first, cycles = run(binary, silent, seconds)
        print(f"a cycle with {' + '.join(silent) or 'no source'} silent: "
              f"first red byte after {ms(max(first, 0))}, cycles {median_and_worst(cycles)} "
              f"({len(cycles)} cycles)")


if __name__ == "__main__":
    main(*arguments(sys.argv, __doc__, 1, 10.0))
