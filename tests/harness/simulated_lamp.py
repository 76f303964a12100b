"""simlamp as a child process: its pty, and its timeline as it happens; the
host's side of the lamp's port; and the Uno's USB-serial chip between them.

simlamp's own tests, the program-on-lamp tests and the demo share this. Each
timeline line keeps the simulated time simlamp stamped on it and the
wall-clock time it was read, so delays through the whole chain can be
measured.
"""

import os
import pty
import re
import select
import subprocess
import threading
import time
import tty

from harness.texts import IDENTITY

# What the lamp sends after each reset.
IDENTITY_LINE = IDENTITY.encode() + b"\r\n"
# Guards against a hang only; no test measures speed against it.
WAIT_SECONDS = 30.0


# ---- the timeline --------------------------------------------------------

RED, GREEN, BLUE = 1, 2, 4
_COLOURS = (("red", RED), ("green", GREEN), ("blue", BLUE))
LINE = re.compile(r"^t=(\d+\.\d+)s (.*)$")


class Line:
    """One timeline line: simlamp's simulated time, its text, and the
    wall-clock time it was read."""

    def __init__(self, seconds, text, wall):
        self.seconds = seconds
        self.text = text
        self.wall = wall

    @property
    def colours(self):
        """The lit colours if this is a colour line, else None."""
        if not self.text.startswith("red="):
            return None
        return sum(bit for name, bit in _COLOURS if f"{name}=on" in self.text)

    @property
    def received(self):
        """The byte an "rx 'G'" line (--trace-uart) reports, else None."""
        match = re.fullmatch(r"rx '(.)'", self.text)
        return match.group(1) if match else None

    def __repr__(self):
        return f"t={self.seconds:.6f}s {self.text}"


def describe(colours):
    """The lamp as words: "red+green", or "dark"."""
    lit = [name for name, bit in _COLOURS if colours & bit]
    return "+".join(lit) if lit else "dark"


def apply_commands(colours, data):
    """The lamp's colours after each byte of data that changes them."""
    changes = []
    for byte in data:
        char = chr(byte)
        updated = colours
        if char in "RGB":
            updated |= (RED, GREEN, BLUE)["RGB".index(char)]
        elif char in "rgb":
            updated &= ~(RED, GREEN, BLUE)["rgb".index(char)]
        if updated != colours:
            changes.append(updated)
            colours = updated
    return changes


# ---- simlamp --------------------------------------------------------------

# On a terminal simlamp ends colour lines with coloured blocks after two blanks.
_BLOCKS = re.compile(r"  \x1b\[.*$")


def _read_lines(fd, on_line):
    """Calls on_line with each line read from fd until it ends."""
    pending = b""
    while True:
        try:
            chunk = os.read(fd, 4096)
        except OSError:  # EIO: a pty whose other end has closed
            chunk = b""
        if not chunk:
            break
        pending += chunk
        *lines, pending = pending.split(b"\n")
        for raw in lines:
            on_line(raw.decode("utf-8", "replace").rstrip("\r"))
    os.close(fd)


class SimulatedLamp:
    """One simlamp process.

    With terminal=True its standard output is a pseudo-terminal, so simlamp
    draws its coloured blocks; echo, if given, hears every raw line.
    """

    def __init__(self, simlamp, firmware, *options, terminal=False, echo=None):
        self.lines = []
        self.stderr = []
        self._echo = echo
        self._changed = threading.Condition()
        if terminal:
            out_read, out_write = pty.openpty()
            tty.setraw(out_write)
        else:
            out_read, out_write = os.pipe()
        err_read, err_write = os.pipe()
        self.process = subprocess.Popen(
            [simlamp, *options, firmware], stdin=subprocess.DEVNULL, stdout=out_write,
            stderr=err_write)
        os.close(out_write)
        os.close(err_write)
        self._first_line = threading.Event()
        self.pty_path = None
        self._readers = [
            threading.Thread(target=_read_lines, args=(out_read, self._on_stdout), daemon=True),
            threading.Thread(target=_read_lines, args=(err_read, self.stderr.append), daemon=True),
        ]
        for reader in self._readers:
            reader.start()
        if not self._first_line.wait(10) or self.pty_path is None:
            self.stop()
            raise RuntimeError(f"simlamp did not start: {self.stderr}")

    def _on_stdout(self, raw):
        wall = time.monotonic()
        if self._echo:
            self._echo(raw)
        if raw.startswith("pty="):
            self.pty_path = raw.split("=", 1)[1]
            self._first_line.set()
            return
        match = LINE.match(_BLOCKS.sub("", raw))
        if match is None:
            return
        with self._changed:
            self.lines.append(Line(float(match.group(1)), match.group(2), wall))
            self._changed.notify_all()

    def wait_for(self, predicate, after=0, what="a timeline line", timeout=WAIT_SECONDS):
        """(index, line) of the first line from index `after` on that satisfies predicate;
        each line is shown to the predicate once, in order."""
        deadline = time.monotonic() + timeout
        index = after
        with self._changed:
            while True:
                while index < len(self.lines):
                    if predicate(self.lines[index]):
                        return index, self.lines[index]
                    index += 1
                remaining = deadline - time.monotonic()
                if remaining <= 0 or self.process.poll() is not None:
                    raise AssertionError(f"no {what}; timeline ends {self.lines[-20:]}")
                self._changed.wait(remaining)

    def wait_for_text(self, text, after=0, timeout=WAIT_SECONDS):
        return self.wait_for(lambda line: line.text == text, after, repr(text), timeout)

    def wait_for_colours(self, colours, after=0, timeout=WAIT_SECONDS):
        return self.wait_for(lambda line: line.colours == colours, after,
                             f"lamp {describe(colours)}", timeout)

    def wait_for_changes(self, count, after=0, timeout=WAIT_SECONDS):
        """The colours of the first `count` colour lines from index `after` on."""
        seen = []

        def enough(line):
            if line.colours is not None:
                seen.append(line.colours)
            return len(seen) >= count

        self.wait_for(enough, after, f"{count} colour changes", timeout)
        return seen

    def colours_at(self, index):
        """The lamp's colours as of timeline line `index`."""
        for line in reversed(self.lines[:index + 1]):
            if line.colours is not None:
                return line.colours
        return 0

    def count(self):
        with self._changed:
            return len(self.lines)

    def stop(self):
        """Ends simlamp as a user would (SIGTERM) and waits for its last line."""
        if self.process.poll() is None:
            self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        for reader in self._readers:
            reader.join(timeout=10)
        return "".join(line + "\n" for line in self.stderr)


# ---- the host's side of the port, and the USB-serial chip ------------------

class Port:
    """The host side of the lamp's serial port, raw like any serial device."""

    def __init__(self, path):
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.fd)

    def read_line(self):
        data = b""
        deadline = time.monotonic() + WAIT_SECONDS
        while not data.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            readable, _, _ = select.select([self.fd], [], [], max(remaining, 0))
            if not readable:
                raise AssertionError(f"no complete line from the lamp, got {data!r}")
            data += os.read(self.fd, 64)
        return data

    def write(self, data):
        view = memoryview(data)
        while view:
            view = view[os.write(self.fd, view):]

    def close(self):
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None


def _open_raw(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    tty.setraw(fd)
    return fd


class UsbSerialLink:
    """The Uno's USB-serial chip, between the program and simlamp.

    On a real Uno the host's port belongs to the USB-serial chip, which stays
    enumerated while the microcontroller behind it resets. This link plays that
    part: the program holds its own pseudo-terminal for good, and
    disconnect_board() and reconnect_board() close and reopen simlamp's port
    behind it, which resets the simulated board just as the chip's DTR line
    resets the real one.
    """

    def __init__(self, lamp_path):
        self._master, slave = pty.openpty()
        self.path = os.ttyname(slave)
        # From now on the master reports a hang-up until the program opens the port.
        os.close(slave)
        self._lamp_path = lamp_path
        self._lamp = None
        self.from_lamp = bytearray()
        self._lock = threading.Lock()
        self._stopping = False
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _host_present(self):
        poller = select.poll()
        poller.register(self._master, select.POLLIN)
        return not any(event & select.POLLHUP for _, event in poller.poll(0))

    def _run(self):
        while not self._stopping and not self._host_present():
            time.sleep(0.005)
        self.reconnect_board()
        while not self._stopping:
            with self._lock:
                self._pass_bytes()

    def _pass_bytes(self):
        watched = [self._master] + ([self._lamp] if self._lamp is not None else [])
        readable, _, _ = select.select(watched, [], [], 0.01)
        if self._master in readable:
            try:
                data = os.read(self._master, 4096)
            except OSError:  # the program has closed its port
                time.sleep(0.01)
                return
            # With the board's port closed the bytes meet a board in reset, which drops them.
            if data and self._lamp is not None:
                os.write(self._lamp, data)
        if self._lamp is not None and self._lamp in readable:
            data = os.read(self._lamp, 4096)
            self.from_lamp += data
            os.write(self._master, data)

    def disconnect_board(self):
        with self._lock:
            if self._lamp is not None:
                os.close(self._lamp)
                self._lamp = None

    def reconnect_board(self):
        with self._lock:
            self._lamp = _open_raw(self._lamp_path)

    def close(self):
        self._stopping = True
        self._thread.join()
        self.disconnect_board()
        os.close(self._master)
