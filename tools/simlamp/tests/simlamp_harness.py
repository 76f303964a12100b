"""Runs simlamp as a child process and talks to it as a host program would."""

import os
import select
import subprocess
import threading
import time
import tty

from timeline import BLUE, GREEN, LINE, RED, Line, apply_commands  # noqa: F401


def _required_path(variable):
    path = os.environ.get(variable)
    if not path:
        raise RuntimeError(f"set {variable}; the CTest project of tools/simlamp does")
    return path


SIMLAMP = _required_path("SIMLAMP")
FIRMWARE = _required_path("LAMP_FIRMWARE")
# Built for a common-anode LED with red at duty 1, green at duty 0 and blue at 128.
FIRMWARE_COMMON_ANODE = _required_path("LAMP_FIRMWARE_COMMON_ANODE")

# Guards against a hang only; no test measures speed against it.
WAIT_SECONDS = 30.0

IDENTITY = b"Lumivantrexial\r\n"
class SimLamp:
    """One simlamp process: its timeline lines, its pty, its stderr."""

    def __init__(self, *args, firmware=None):
        command = [SIMLAMP, *args, firmware or FIRMWARE]
        self.process = subprocess.Popen(
            command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True
        )
        first = self.process.stdout.readline()
        if not first.startswith("pty="):
            self.process.kill()
            raise RuntimeError(f"simlamp did not start: {first!r} {self.process.stderr.read()}")
        self.pty_path = first.strip().split("=", 1)[1]
        self.lines = []
        self._changed = threading.Condition()
        self._stderr = []
        self._readers = [
            threading.Thread(target=self._read_timeline, daemon=True),
            threading.Thread(target=self._read_stderr, daemon=True),
        ]
        for reader in self._readers:
            reader.start()

    def _read_timeline(self):
        for raw in self.process.stdout:
            match = LINE.match(raw.rstrip("\n"))
            if match is None:
                continue
            line = Line(float(match.group(1)), match.group(2), time.monotonic())
            with self._changed:
                self.lines.append(line)
                self._changed.notify_all()

    def _read_stderr(self):
        for raw in self.process.stderr:
            self._stderr.append(raw)

    def wait_for(self, predicate, after=0, what="a timeline line"):
        """The first line from index `after` on that satisfies predicate; each line is
        shown to the predicate once, in order."""
        deadline = time.monotonic() + WAIT_SECONDS
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

    def wait_for_text(self, text, after=0):
        return self.wait_for(lambda line: line.text == text, after, repr(text))

    def wait_for_colours(self, colours, after=0):
        return self.wait_for(lambda line: line.colours == colours, after, f"colours {colours}")

    def wait_for_changes(self, count, after=0):
        """The colours of the first `count` colour lines from index `after` on."""
        seen = []

        def enough(line):
            if line.colours is not None:
                seen.append(line.colours)
            return len(seen) >= count

        self.wait_for(enough, after, f"{count} colour changes")
        return seen

    def stop(self):
        """Ends simlamp the way a user would and returns what it wrote to stderr."""
        if self.process.poll() is None:
            self.process.terminate()
        self.process.wait(timeout=WAIT_SECONDS)
        for reader in self._readers:
            reader.join(timeout=WAIT_SECONDS)
        self.process.stdout.close()
        self.process.stderr.close()
        return "".join(self._stderr)


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
