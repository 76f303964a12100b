"""The Uno's USB-serial chip, between the program and simlamp.

On a real Uno the host's port belongs to the USB-serial chip, which stays
enumerated while the microcontroller behind it resets. This link plays that
part: the program holds its own pseudo-terminal for good, and reset_board()
closes and reopens simlamp's port behind it, which resets the simulated board
just as the chip's DTR line resets the real one.
"""

import os
import pty
import select
import threading
import time
import tty


def _open_raw(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    tty.setraw(fd)
    return fd


class UsbSerialLink:
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
