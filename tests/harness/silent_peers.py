"""Peers that take a connection and then never answer: a session bus or IBus
whose daemon has stopped, an X server behind a dead ssh X11 forwarding."""

import os
import socket
import threading

# The X server at display N listens on TCP port 6000 + N.
X_TCP_BASE = 6000


class SilentPeer:
    """Accepts every connection, on a unix socket at path or on a TCP port of
    127.0.0.1 that stands for an X display, and then neither reads nor
    writes: what the program sends stays unread. address is the D-Bus
    address of the socket; display, the DISPLAY of the TCP port."""

    def __init__(self, path=None):
        if path:
            self._listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            self._listener.bind(path)
            self.address = f"unix:path={path}"
        else:
            self._listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            self.display = self._bind_display()
        self._listener.listen(64)
        self._taken = []
        self._closed = False
        threading.Thread(target=self._accept, daemon=True).start()

    def _bind_display(self):
        for number in range(64, 200):
            try:
                self._listener.bind(("127.0.0.1", X_TCP_BASE + number))
                return f"127.0.0.1:{number}"
            except OSError:
                continue
        raise AssertionError("no free X display number")

    def _accept(self):
        while not self._closed:
            try:
                self._taken.append(self._listener.accept()[0])
            except OSError:
                return

    def close(self):
        self._closed = True
        self._listener.close()
        for connection in self._taken:
            connection.close()


def silent_bus(folder, name):
    """A silent peer at a socket named name in folder, as a bus address."""
    return SilentPeer(path=os.path.join(folder, name))
