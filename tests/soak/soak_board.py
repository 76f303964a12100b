#!/usr/bin/env python3
"""The real Linux program against a fake board for a long time.

  tests/harness/python soak_board.py BINARY SECONDS [--scripted]   (scripts/soak-long)

Checks that the program's resident memory and its open descriptors do not
grow after the first seconds, that it ends by SIGINT with status 0, and that
the board received exactly the bytes it should have.

Without --scripted, BINARY is morvane with no desktop: a private session bus
answers its input-method and screen-saver questions every cycle (where
dbus-daemon is installed), and the lamp must receive the lamp-off alone.
With --scripted, BINARY is morvane_scripted, whose desktop state is a file:
the state changes every few cycles and every cycle's bytes are checked
against the states that were set, in order.
"""

import os
import random
import signal
import sys
import threading
import time

from harness.board import UNO, FakeBoard
from harness.desktop import PrivateSessionBus
from harness.program import (
    NO_DESKTOP_SESSION, WorkFolder, cpu_ns, open_fds, resident_kib, wait_for_output)
from harness.texts import END, HOW_TO_END

RSS_SLACK_KB = 64
SAMPLE_S = 1.0


class Output(threading.Thread):
    """Keeps the program's standard output drained, so that it never blocks."""

    def __init__(self, process):
        super().__init__(daemon=True)
        self.process = process
        self.text = b""

    def run(self):
        for chunk in iter(lambda: os.read(self.process.stdout.fileno(), 4096), b""):
            self.text += chunk


class ScriptedState:
    """The state file of morvane_scripted, and every state set, in order.

    A state is (Caps Lock, input method, screen saver), each '0' or '1'. Caps
    Lock is always known and an input method always present, so every cycle
    sends three bytes, and a lost or extra byte shows.
    """

    def __init__(self, path, seed=7):
        self.path = path
        # Written in place, never truncated: the program has it mapped.
        self.fd = os.open(path, os.O_RDWR | os.O_CREAT, 0o600)
        self.random = random.Random(seed)
        self.states = []
        self.set(("0", "0", "0"))

    def set(self, state):
        os.pwrite(self.fd, "".join(state).encode(), 0)
        self.states.append(state)

    def change(self):
        """A new state, and how long to keep it: a few cycles, longer with the
        screen saver, whose cycles pause half a second."""
        while True:
            state = (self.random.choice("01"), self.random.choice("01"),
                     "1" if self.random.random() < 0.05 else "0")
            if state != self.states[-1]:
                break
        self.set(state)
        return self.random.uniform(1.2, 1.6) if state[2] == "1" else self.random.uniform(0.25, 0.6)


def parse_cycles(stream):
    """What each cycle showed, as ((component, value), ...) with the components
    numbered as in a state; raises on a byte that does not belong. A cycle sends
    its red byte and its pair, or the lamp-off alone while the screen saver
    runs; the stream ends with the lamp-off of the end."""
    if not stream.endswith(b"rgb"):
        raise ValueError("the stream does not end with the lamp-off")
    body, cycles = stream[:-3], []
    for i in range(0, len(body), 3):
        piece = body[i:i + 3]
        if piece == b"rgb":
            cycles.append(((2, "1"),))
        elif piece[:1] in (b"R", b"r") and piece[1:] in (b"bG", b"Bg"):
            cycles.append(((2, "0"), (0, "1" if piece[:1] == b"R" else "0"),
                           (1, "1" if piece[1:] == b"bG" else "0")))
        else:
            raise ValueError(f"unexpected bytes {piece!r} at {i}")
    return cycles


def match_in_order(cycles, states):
    """Each value a cycle read must be one that was set, no earlier than the
    previous value read: the screen saver, then Caps Lock, then the input
    method. Returns how many of the states set no cycle showed."""
    at, shown = 0, set()
    for cycle in cycles:
        for component, value in cycle:
            while at < len(states) and states[at][component] != value:
                at += 1
            if at == len(states):
                raise ValueError(f"a cycle showed {cycle}, a state never set or out of order")
            shown.add(at)
    return len(states) - len(shown)


def soak(binary, seconds, scripted):
    work = WorkFolder()
    env = dict(NO_DESKTOP_SESSION)
    state = None
    bus = None
    if scripted:
        state = ScriptedState(os.path.join(work.path, "state"))
        env["MORVANE_SCRIPTED_STATE"] = state.path
    elif PrivateSessionBus.available():
        bus = PrivateSessionBus(work.path)
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.address
    board = FakeBoard(delay=0.05)
    process = work.start(binary, work.show_ports((UNO, board.path)), env=env)
    try:
        seen = wait_for_output(process, HOW_TO_END, timeout=30).encode()
        output = Output(process)
        output.start()
        report = watch(process, seconds, state)
        process.send_signal(signal.SIGINT)
        process.wait(timeout=30)
        output.join(timeout=10)
        time.sleep(0.2)
        board.close()
        text = (seen + output.text).decode("utf-8")
    finally:
        if process.poll() is None:
            process.kill()
        if bus:
            bus.stop()
        work.cleanup()
    return judge(report, process.returncode, text, bytes(board.received), state)


def watch(process, seconds, state):
    """Samples memory and descriptors every second while the state changes."""
    pid = process.pid
    started = time.monotonic()
    warm_at = started + max(3.0, seconds * 0.1)
    report = {"warm": None, "cpu_start": cpu_ns(pid), "rss_max": 0}
    next_sample = started
    next_change = started + (state.change() if state else seconds + 1)
    while (now := time.monotonic()) < started + seconds:
        if process.poll() is not None:
            raise RuntimeError(f"the program ended by itself with status {process.returncode}")
        if state and now >= next_change:
            next_change = now + state.change()
        if now >= next_sample:
            sample = (resident_kib(pid), open_fds(pid))
            report["rss_max"] = max(report["rss_max"], sample[0])
            if report["warm"] is None and now >= warm_at:
                report["warm"] = sample
            report["end"] = sample
            next_sample += SAMPLE_S
        time.sleep(min(0.01, max(0.0, min(next_change, next_sample) - now)))
    report["cpu_ns"] = cpu_ns(pid) - report["cpu_start"]
    report["seconds"] = time.monotonic() - started
    report["warm"] = report["warm"] or report["end"]
    return report


def judge(report, status, text, received, state):
    (rss_warm, fds_warm), (rss_end, fds_end) = report["warm"], report["end"]
    failures = []
    print(f"ran:                {report['seconds']:.0f} s")
    print(f"resident memory:    {rss_warm} KiB after warm-up, {rss_end} KiB at the end, "
          f"{report['rss_max']} KiB at most")
    print(f"open descriptors:   {fds_warm} after warm-up, {fds_end} at the end")
    print(f"CPU share:          {100 * report['cpu_ns'] / 1e9 / report['seconds']:.4f} %")
    if rss_end - rss_warm > RSS_SLACK_KB:
        failures.append(f"resident memory grew by {rss_end - rss_warm} KiB")
    if fds_end != fds_warm:
        failures.append(f"open descriptors went from {fds_warm} to {fds_end}")
    if status != 0 or not text.endswith(END) or text.count(END) != 1:
        failures.append(f"ended with status {status} and {text[-200:]!r}")
    if state:
        try:
            cycles = parse_cycles(received)
            skipped = match_in_order(cycles, state.states)
            print(f"cycles seen:        {len(cycles)}; states set: {len(state.states)}, "
                  f"of which no cycle showed {skipped}")
        except ValueError as problem:
            failures.append(f"byte stream: {problem}")
    else:
        print(f"bytes received:     {received!r}")
        if received != b"rgb":
            failures.append("the board received more than the lamp-off")
    for failure in failures:
        print("FAILED:", failure)
    print("soak passed" if not failures else "SOAK FAILED")
    return not failures


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    return 0 if soak(os.path.abspath(argv[1]), float(argv[2]), "--scripted" in argv[3:]) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
