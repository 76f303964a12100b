#!/usr/bin/env python3
"""Figures of the real Linux program against a fake board on a pseudo-terminal.

  tests/harness/python board_figures.py MORVANE MORVANE_SCRIPTED [SECONDS (60)] [CHANGES (300)]

- start-up to the first poll: from the program's start until it has printed
  the last line before its monitor loop, with a board that answers as soon as
  the line is set up; median and worst of 20 starts;
- peak memory: the largest resident set of each program over its run, up to
  its end (VmHWM; the maxrss that wait4 reports would include the memory of
  the Python process that started it);
- CPU share over SECONDS of polling, of every thread of the process: morvane
  without a desktop; morvane with a private session bus that it asks every
  cycle; morvane_scripted with its state changing every few cycles;
- state-change-to-byte latency: morvane_scripted, whose desktop state is a
  file, gets a Caps Lock change at a random moment CHANGES times; the latency
  runs from the change to the arrival on the board of the first red byte that
  shows it. It is the wait for the next cycle (up to the 100 ms poll interval)
  plus the cycle's own work and the line; the least of them is about the
  latter alone.
"""

import os
import random
import signal
import statistics
import sys
import threading
import time

from figures import arguments, median_and_worst, ms
from harness.board import UNO, FakeBoard
from harness.desktop import PrivateSessionBus
from harness.program import NO_DESKTOP_SESSION, WorkFolder, cpu_ns, peak_kib, wait_for_output
from harness.texts import KEEP_THE_WINDOW, NO_DISPLAY


class Session:
    """One program against one fake board, in a folder of its own."""

    def __init__(self, binary, state=None, session_bus=False):
        self.work = WorkFolder()
        env = dict(NO_DESKTOP_SESSION)
        self.bus = PrivateSessionBus(self.work.path) if session_bus else None
        if self.bus:
            env["DBUS_SESSION_BUS_ADDRESS"] = self.bus.address
        self.state_fd = None
        if state is not None:
            path = os.path.join(self.work.path, "state")
            self.state_fd = os.open(path, os.O_RDWR | os.O_CREAT, 0o600)
            self.set_state(state)
            env["MORVANE_SCRIPTED_STATE"] = path
        # Sees the line set up within a fraction of a millisecond, so that the
        # start-up figure is the program's own.
        self.board = FakeBoard(delay=0, hold_slave=True, raw_check_s=0.0002, timed=True)
        sysfs = self.work.show_ports((UNO, self.board.path))
        self.started = time.monotonic()
        self.process = self.work.start(binary, sysfs, env=env)

    def set_state(self, state):
        os.pwrite(self.state_fd, state.encode(), 0)  # in place: the program has it mapped

    def wait_for_first_poll(self):
        """Until the last line before the monitor loop; morvane_scripted's
        keyboard is always reachable, so it says nothing of a display."""
        last = KEEP_THE_WINDOW if self.state_fd is not None else KEEP_THE_WINDOW + NO_DISPLAY
        wait_for_output(self.process, last, timeout=30)
        return time.monotonic() - self.started

    def cpu_ns(self):
        return cpu_ns(self.process.pid)

    def peak_kib(self):
        return peak_kib(self.process.pid)

    def end(self):
        """Ends the program by SIGINT."""
        self.process.send_signal(signal.SIGINT)
        drain = threading.Thread(target=self.process.stdout.read, daemon=True)
        drain.start()
        self.process.wait(30)
        drain.join(5)
        self.board.close()
        if self.bus:
            self.bus.stop()
        if self.state_fd is not None:
            os.close(self.state_fd)
        self.work.cleanup()


def start_up(binary, runs=20):
    times = []
    for _ in range(runs):
        session = Session(binary)
        times.append(session.wait_for_first_poll())
        session.end()
    return times


def cpu_shares(morvane, scripted, seconds):
    sessions = {
        "morvane, no desktop": Session(morvane),
        "morvane, a session bus asked every cycle":
            Session(morvane, session_bus=PrivateSessionBus.available()),
        "morvane_scripted, state changing every few cycles": Session(scripted, state="010"),
    }
    for session in sessions.values():
        session.wait_for_first_poll()
    before = {name: session.cpu_ns() for name, session in sessions.items()}
    started = time.monotonic()
    changer = random.Random(3)
    scripted_session = sessions["morvane_scripted, state changing every few cycles"]
    while time.monotonic() - started < seconds:
        scripted_session.set_state(changer.choice("01") + changer.choice("01") + "0")
        time.sleep(changer.uniform(0.2, 0.5))
    elapsed = time.monotonic() - started
    shares = {name: (session.cpu_ns() - before[name]) / 1e9 / elapsed for name, session in sessions.items()}
    peaks = {name: session.peak_kib() for name, session in sessions.items()}
    for session in sessions.values():
        session.end()
    return shares, peaks, elapsed


def latencies(scripted, changes):
    session = Session(scripted, state="010")
    session.wait_for_first_poll()
    time.sleep(0.5)
    arrivals = session.board.received.arrivals
    rng = random.Random(11)
    caps = "0"
    results = []
    for _ in range(changes):
        time.sleep(rng.uniform(0.15, 0.45))
        caps = "1" if caps == "0" else "0"
        seen = len(arrivals)
        changed_at = time.monotonic()
        session.set_state(caps + "10")
        wanted = b"R" if caps == "1" else b"r"
        deadline = changed_at + 2
        arrived = None
        while arrived is None and time.monotonic() < deadline:
            for when, offset, data in arrivals[seen:]:
                # Each cycle sends the red byte, then b and G: red bytes stand at
                # offsets 0, 3, 6, ... after the handshake.
                hits = [i for i in range(len(data)) if (offset + i) % 3 == 0 and data[i:i + 1] == wanted]
                if hits:
                    arrived = when
                    break
            time.sleep(0.001)
        if arrived is None:
            raise RuntimeError("a change never reached the board")
        results.append(arrived - changed_at)
    session.end()
    return results


def main(morvane, scripted, seconds, changes):
    starts = start_up(morvane)
    print(f"start-up to the first poll:      {median_and_worst(starts)} "
          f"(20 starts, morvane, board answering at once)")
    shares, peaks, elapsed = cpu_shares(morvane, scripted, seconds)
    for name, share in shares.items():
        print(f"CPU share over {elapsed:.0f} s of polling:  {100 * share:.4f} % ({name})")
    for name, peak in peaks.items():
        print(f"peak memory (VmHWM):             {peak} KiB ({name})")
    times = sorted(latencies(scripted, changes))
    print(f"state change to byte:            median {ms(statistics.median(times))}, "
          f"95th percentile {ms(times[int(0.95 * (len(times) - 1))])}, worst {ms(times[-1])}, "
          f"least {ms(times[0])} ({len(times)} Caps Lock changes, morvane_scripted)")


if __name__ == "__main__":
    main(*arguments(sys.argv, __doc__, 2, 60.0, 300))
