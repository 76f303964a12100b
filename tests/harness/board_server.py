"""Lamp boards for programs that run in another mount and PID namespace (a
container): the boards must live there, on that namespace's pseudo-terminals.

The server runs there (`python3 -m harness.board_server`) and is driven over
its standard input and output, one JSON object a line. Its boards act as real
ones over many openings: each opening resets the board, which then sends its
identity again. A board counts its openings, keeps every byte it receives,
and holds its end of the line, so that it can stop the line's output and read
its exclusive flag.
"""

import fcntl
import json
import os
import pty
import struct
import subprocess
import sys
import termios
import threading
import time

from harness.board import TIOCGEXCL, UNO, make_sysfs, set_caps_lock_led
from harness.texts import IDENTITY

# Where the trees go, one a user: /run/morvane-boards/<user>.
TREES = "/run/morvane-boards"
# How often the server looks for a program that holds a line.
LOOK_S = 0.05
# From the opening to the identity: after the program's purge, as a board's
# reset takes its while.
IDENTITY_DELAY_S = 0.3


class ServedBoard:
    def __init__(self, name, entry, identity, owner):
        self.name = name
        # Its tty in the sysfs tree, which goes when it is unplugged.
        self.entry = entry
        self.master, self.slave = pty.openpty()
        self.path = os.ttyname(self.slave)
        # What the udev rule's uaccess does for the user at the seat; None
        # leaves the line to root alone.
        if owner is not None:
            os.chown(self.path, owner, -1)
        os.chmod(self.path, 0o600)
        os.set_blocking(self.master, False)
        self.identity = IDENTITY.encode() + b"\r\n" if identity else b""
        self.openings = []
        self.received = bytearray()
        self.held = False
        self.plugged = True

    def look(self, holders, now):
        """holders: the lines that a program holds open now."""
        if not self.plugged:
            return
        held = self.path in holders
        if held and not self.held:
            self.openings.append(now)
            if self.identity:
                threading.Timer(IDENTITY_DELAY_S, self._send_identity).start()
        self.held = held
        try:
            self.received += os.read(self.master, 4096)
        except (BlockingIOError, OSError):
            pass

    def _send_identity(self):
        if self.plugged:
            os.write(self.master, self.identity)

    def exclusive(self):
        return struct.unpack("i", fcntl.ioctl(self.slave, TIOCGEXCL, b"\0" * 4))[0] != 0

    def state(self):
        return {"path": self.path, "openings": self.openings, "held": self.held,
                "received": self.received.decode("latin-1"),
                "exclusive": self.plugged and self.exclusive()}


def lines_held():
    """The pseudo-terminals that the programs named morvane hold open."""
    held = set()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/comm") as f:
                if f.read().strip() != "morvane":
                    continue
            for fd in os.listdir(f"/proc/{pid}/fd"):
                held.add(os.readlink(f"/proc/{pid}/fd/{fd}"))
        except OSError:
            pass  # the process has gone meanwhile
    return held


def serve():
    """Reads the trees to make, {user: [{"identity": bool, "owner": uid or
    None}, ...]}, answers with every board's state, then takes commands:
    {"do": "state"}, and {"do": "hang_up" | "stall" | "resume", "board": name},
    a board being named <user><index>."""
    wanted = json.loads(sys.stdin.readline())
    boards = {}
    for user, listed in wanted.items():
        root = os.path.join(TREES, user)
        made = [ServedBoard(f"{user}{index}", os.path.join(root, "class", "tty", f"ttyACM{index}"),
                            **board) for index, board in enumerate(listed)]
        make_sysfs(root, [(os.path.basename(board.entry), UNO, board.path) for board in made])
        # A lit Caps Lock: the program writes its byte every cycle.
        set_caps_lock_led(root, True)
        boards.update((board.name, board) for board in made)
    lock = threading.Lock()

    def look():
        while True:
            held = lines_held()
            with lock:
                for board in boards.values():
                    board.look(held, time.monotonic())
            time.sleep(LOOK_S)

    def answer():
        print(json.dumps({name: board.state() for name, board in boards.items()}), flush=True)

    threading.Thread(target=look, daemon=True).start()
    answer()
    for line in sys.stdin:
        command = json.loads(line)
        with lock:
            board = boards.get(command.get("board"))
            if command["do"] == "hang_up":
                # Unplugged: the line goes, and so does its entry in the tree.
                board.plugged = False
                os.close(board.master)
                os.close(board.slave)
                os.unlink(board.entry)
            elif command["do"] in ("stall", "resume"):
                termios.tcflow(board.slave,
                               termios.TCOOFF if command["do"] == "stall" else termios.TCOON)
        answer()


class BoardServer:
    """The server, started inside container (harness.container) from a copy
    of the harness that it puts there."""

    def __init__(self, container, wanted):
        harness = container.put(os.path.dirname(os.path.abspath(__file__)))
        self._process = subprocess.Popen(
            [*container.command(), sys.executable, "-m", "harness.board_server"],
            env=dict(os.environ, PYTHONPATH=os.path.dirname(harness), PYTHONDONTWRITEBYTECODE="1"),
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.boards = self._ask(wanted)

    def _ask(self, message):
        self._process.stdin.write(json.dumps(message) + "\n")
        self._process.stdin.flush()
        line = self._process.stdout.readline()
        if not line:
            raise AssertionError("the board server has ended")
        return json.loads(line)

    def state(self):
        self.boards = self._ask({"do": "state"})
        return self.boards

    def do(self, what, board):
        self.boards = self._ask({"do": what, "board": board})

    def wait_until(self, check, timeout, what):
        """Asks for the boards' state until check(state) is true."""
        deadline = time.monotonic() + timeout
        while not check(self.state()):
            if time.monotonic() > deadline:
                raise AssertionError(f"{what} did not come within {timeout} s: {self.boards}")
            time.sleep(0.2)

    def close(self):
        self._process.kill()
        self._process.wait()
        self._process.stdin.close()
        self._process.stdout.close()


if __name__ == "__main__":
    serve()
