"""simlamp as a child process: its pty, and its timeline as it happens.

The end-to-end tests and the demo share this. Each timeline line keeps the
simulated time simlamp stamped on it and the wall-clock time it was read, so
delays through the whole chain can be measured.
"""

import os
import pty
import re
import subprocess
import sys
import threading
import time
import tty

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools",
                                "simlamp", "tests"))
from timeline import BLUE, GREEN, LINE, RED, Line, apply_commands, describe  # noqa: E402,F401

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

    def wait_for(self, predicate, after=0, what="a timeline line", timeout=30.0):
        """(index, line) of the first line from index `after` on that satisfies predicate."""
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
                    raise AssertionError(f"no {what}; timeline ends {self.lines[-12:]}")
                self._changed.wait(remaining)

    def wait_for_text(self, text, after=0, timeout=30.0):
        return self.wait_for(lambda line: line.text == text, after, repr(text), timeout)

    def wait_for_colours(self, colours, after=0, timeout=30.0):
        return self.wait_for(lambda line: line.colours == colours, after,
                             f"lamp {describe(colours)}", timeout)

    def wait_for_changes(self, count, after=0, timeout=30.0):
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
