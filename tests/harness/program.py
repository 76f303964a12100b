"""The real Linux program in a working folder of its own, finding its boards
through a fake sysfs tree; its output as it comes, and its figures from /proc."""

import codecs
import os
import re
import select
import signal
import subprocess
import tempfile
import threading
import time

from harness.board import UNO, make_sysfs

# Where the desktop's session services are found: None leaves a variable out,
# so that the program reads no desktop state whatever desktop the tests run in.
NO_DESKTOP_SESSION = dict.fromkeys(
    ("DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "WAYLAND_DISPLAY"))


def start_program(binary, workdir, sysfs, display=None, env=None, stdin=subprocess.PIPE,
                  stdout=subprocess.PIPE, args=()):
    """Without a display unless one is given, whatever the caller's desktop
    (an X display, or Wayland's WAYLAND_DISPLAY in env).
    env: variables to set, or with None to leave out. stdin, stdout: as
    subprocess takes them. args: after binary on its command line."""
    variables = dict(os.environ, SYSFS_PATH=sysfs)
    variables.pop("DISPLAY", None)
    variables.pop("WAYLAND_DISPLAY", None)
    if display:
        variables["DISPLAY"] = display
    for name, value in (env or {}).items():
        if value is None:
            variables.pop(name, None)
        else:
            variables[name] = value
    return subprocess.Popen(
        [binary, *args],
        cwd=workdir,
        env=variables,
        stdin=stdin,
        stdout=stdout,
        stderr=subprocess.PIPE,
    )


def end_and_close(process):
    """After a test: kills the program if it still runs, waits for it and
    closes its pipes."""
    if process.poll() is None:
        process.kill()
    process.wait(timeout=10)
    for stream in (process.stdin, process.stdout, process.stderr):
        if stream:
            stream.close()


def read_until(fd, seen, wanted, timeout, decode=lambda data: data.decode(errors="replace")):
    """Reads fd onto the bytes seen until wanted is among them; returns them all."""
    deadline = time.monotonic() + timeout
    while wanted not in seen:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            raise AssertionError(f"timed out waiting for {decode(wanted)!r}; got {decode(seen)!r}")
        ready, _, _ = select.select([fd], [], [], remaining)
        if ready:
            chunk = os.read(fd, 4096)
            if not chunk:
                raise AssertionError(f"output ended before {decode(wanted)!r}; "
                                     f"got {decode(seen)!r}")
            seen += chunk
    return seen


def wait_for_output(process, text, timeout=10.0):
    """Reads standard output until text appears; returns what was read."""
    return read_until(process.stdout.fileno(), b"", text.encode(), timeout).decode("utf-8")


class WorkFolder:
    """A scratch working folder with the list file, and the sysfs trees that
    show boards to the program."""

    def __init__(self, list_text=f"{UNO}\n"):
        self._folder = tempfile.TemporaryDirectory()
        self.path = self._folder.name
        self.write_list(list_text)

    def write_list(self, text):
        with open(os.path.join(self.path, "arduino_portname.txt"), "w", encoding="utf-8") as f:
            f.write(text)

    def show_ports(self, *ports, tree="sys"):
        """ports: (USB product, device node) pairs, shown as ttyACM0, ttyACM1, ...
        in the sysfs tree of that name; returns the tree's path."""
        sysfs = os.path.join(self.path, tree)
        make_sysfs(sysfs, [(f"ttyACM{index}", product, node)
                           for index, (product, node) in enumerate(ports)])
        return sysfs

    def start(self, binary, sysfs, display=None, env=None, **streams):
        return start_program(binary, self.path, sysfs, display, env, **streams)

    def cleanup(self):
        self._folder.cleanup()


class MorvaneRun:
    """One run of the program with one Uno, its device node port_path, in a
    working folder of its own. Standard output is gathered as it comes, so a
    test can wait for a message while the lamp's timeline goes on.

    echo, if given, hears each line of the program's standard output.
    env: as for start_program. sysfs is the tree's path, for more to be shown
    in it.
    """

    def __init__(self, binary, port_path, display, echo=None, env=None):
        self._work = WorkFolder()
        self.sysfs = self._work.show_ports((UNO, port_path))
        self.output = ""
        self.errors = b""
        self._echo = echo
        self._changed = threading.Condition()
        self.process = self._work.start(binary, self.sysfs, display=display, env=env)
        # Nothing to type: a failure's "press a key" then ends at once.
        self.process.stdin.close()
        self._readers = [threading.Thread(target=self._read_output, daemon=True),
                         threading.Thread(target=self._read_errors, daemon=True)]
        for reader in self._readers:
            reader.start()

    def _read_output(self):
        decoder = codecs.getincrementaldecoder("utf-8")("replace")
        line = ""
        for chunk in iter(lambda: os.read(self.process.stdout.fileno(), 4096), b""):
            text = decoder.decode(chunk)
            with self._changed:
                self.output += text
                self._changed.notify_all()
            if self._echo:
                *complete, line = (line + text).split("\n")
                for each in complete:
                    self._echo(each)
        with self._changed:
            self._changed.notify_all()

    def _read_errors(self):
        self.errors = self.process.stderr.read()

    def wait_for_output(self, text, after=0, timeout=10.0):
        """Waits until text appears in the output from position `after` on; returns
        the position just past it."""
        deadline = time.monotonic() + timeout
        with self._changed:
            while (found := self.output.find(text, after)) < 0:
                remaining = deadline - time.monotonic()
                if remaining <= 0 or (self.process.poll() is not None and
                                      not self._readers[0].is_alive()):
                    raise AssertionError(f"no {text!r} from morvane; it wrote {self.output!r}")
                self._changed.wait(min(remaining, 0.2))
        return found + len(text)

    def finish(self, timeout=10.0):
        """Waits for the program to end; returns its exit status."""
        status = self.process.wait(timeout=timeout)
        for reader in self._readers:
            reader.join(timeout=timeout)
        return status

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.finish()
        self.process.stdout.close()
        self.process.stderr.close()
        self._work.cleanup()


class ProbeRun:
    """One run of morvane-probe, in the environment given (as start_program
    takes env), its lines read as they come."""

    def __init__(self, binary, env=None):
        variables = dict(os.environ)
        for name, value in (env or {}).items():
            if value is None:
                variables.pop(name, None)
            else:
                variables[name] = value
        self.process = subprocess.Popen([binary], env=variables, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.output = b""
        self._matched = 0  # lines up to the last one matched

    def lines(self):
        return self.output.decode("utf-8", errors="replace").split("\n")[:-1]

    def wait_for_line(self, pattern, timeout=5.0):
        """Waits for a line after the last one matched that matches the
        regular expression; returns it."""
        compiled = re.compile(pattern)
        deadline = time.monotonic() + timeout
        while True:
            lines = self.lines()
            for index in range(self._matched, len(lines)):
                if compiled.search(lines[index]):
                    self._matched = index + 1
                    return lines[index]
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise AssertionError(f"no line matching {pattern!r} from the probe; it wrote "
                                     + "\n".join(lines[self._matched:]))
            if select.select([self.process.stdout], [], [], remaining)[0]:
                chunk = os.read(self.process.stdout.fileno(), 4096)
                if not chunk:
                    raise AssertionError(f"the probe ended before {pattern!r}: {self.output!r}")
                self.output += chunk

    def end(self):
        """SIGTERM, as a service manager ends it; returns its exit status.
        Nothing may come on standard error."""
        self.process.send_signal(signal.SIGTERM)
        rest, errors = self.process.communicate(timeout=10)
        self.output += rest
        if errors:
            raise AssertionError(f"standard error: {errors!r}")
        return self.process.returncode

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.communicate()


# ---- figures of a running program, from /proc ------------------------------

def _status_kib(pid, field):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(f"{field}:"):
                return int(line.split()[1])
    return 0


def resident_kib(pid):
    return _status_kib(pid, "VmRSS")


def peak_kib(pid):
    """The largest resident set so far (VmHWM)."""
    return _status_kib(pid, "VmHWM")


def blocks_end_signals(pid):
    """Whether the program's main thread holds SIGINT, SIGTERM and SIGHUP for
    the thread that takes them: its event handler is installed."""
    with open(f"/proc/{pid}/status") as f:
        blocked = next(int(line.split()[1], 16) for line in f if line.startswith("SigBlk:"))
    wanted = (1 << (signal.SIGINT - 1)) | (1 << (signal.SIGTERM - 1)) | (1 << (signal.SIGHUP - 1))
    return blocked & wanted == wanted


def open_fds(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def cpu_ns(pid):
    """CPU time of all the process's threads, from the scheduler's figures."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as f:
            total += int(f.read().split()[0])
    return total
