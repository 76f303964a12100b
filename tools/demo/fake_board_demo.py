"""Shows a whole morvane session against a fake lamp board.

The board lives on a pseudo-terminal and is made discoverable through a fake
sysfs tree; every byte it receives is shown as the lamp's colour.
"""

import os
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
from fake_board import FakeBoard, make_sysfs  # noqa: E402

COLOURS = {"R": ("red", True), "r": ("red", False), "G": ("green", True),
           "g": ("green", False), "B": ("blue", True), "b": ("blue", False)}


def lamp_state(received):
    lamp = {"red": False, "green": False, "blue": False}
    for byte in received.decode("ascii", "replace"):
        if byte in COLOURS:
            colour, on = COLOURS[byte]
            lamp[colour] = on
    return " ".join(f"{colour}={'on' if on else 'off'}" for colour, on in lamp.items())


def main():
    binary = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        board = FakeBoard()
        make_sysfs(os.path.join(work, "sys"), [("ttyACM0", "Arduino Uno", board.path)])
        with open(os.path.join(work, "arduino_portname.txt"), "w") as f:
            f.write("// the lamp's USB product name\nArduino Uno\n")
        print(f"fake board on {board.path}; starting {binary}\n", flush=True)
        program = subprocess.Popen([binary], cwd=work, stdin=subprocess.DEVNULL,
                                   env=dict(os.environ, SYSFS_PATH=os.path.join(work, "sys")))
        time.sleep(3)
        print("\n[demo] Ctrl+C", flush=True)
        program.send_signal(signal.SIGINT)
        status = program.wait(timeout=10)
        time.sleep(0.2)
        print(f"[demo] exit status {status}; bytes the board received: {bytes(board.received)!r}")
        print(f"[demo] lamp: {lamp_state(bytes(board.received))}")
        board.close()
        return 0 if status == 0 and bytes(board.received).endswith(b"rgb") else 1


if __name__ == "__main__":
    sys.exit(main())
