"""A lamp board on a pseudo-terminal, and a sysfs tree that shows it as USB
and may show a keyboard's Caps Lock LED."""

import fcntl
import os
import pty
import random
import re
import select
import struct
import termios
import threading
import time

from harness.texts import IDENTITY

UNO = "Arduino Uno"

# Linux's ioctl that reads a terminal's TIOCEXCL flag.
TIOCGEXCL = 0x80045440

_SPEEDS = {termios.B9600: 9600, termios.B19200: 19200, termios.B115200: 115200}


class FakeBoard:
    """Sends an identity once the port has been opened and records every byte.

    A pseudo-terminal has no DTR line: the opening is seen on the master as the
    hang-up condition clearing, as a real board's reset would be.

    stream: bytes sent again and again after the identity, as fast as the line
    takes them, until the board is closed.
    hold_slave: the board keeps a descriptor of the program's end of the line,
    so that it can stop that end's output (stop_taking_bytes). The hang-up
    condition then never shows; the opening is seen instead when the program
    has set the line raw, after its purge, within raw_check_s.
    timed: received also keeps when each piece arrived (TimedBytes).
    """

    def __init__(self, identity=IDENTITY.encode() + b"\r\n", delay=0.3, stream=b"",
                 hold_slave=False, raw_check_s=0.005, timed=False):
        self.master, slave = pty.openpty()
        self.path = os.ttyname(slave)
        self._slave = slave if hold_slave else None
        if not hold_slave:
            os.close(slave)
        self.identity = identity
        self.delay = delay
        self.stream = stream
        self._raw_check_s = raw_check_s
        self.received = TimedBytes() if timed else bytearray()
        self.opened = threading.Event()
        self.identity_sent = threading.Event()
        self._hung_up = False
        self._stop = False
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _seen_opening(self, poller):
        if self._slave is not None:
            if termios.tcgetattr(self._slave)[3] & termios.ICANON:
                time.sleep(self._raw_check_s)
                return False
            return True
        events = poller.poll(20)
        if any(e & select.POLLHUP for _, e in events):
            time.sleep(0.02)
            return False
        return True

    def _run(self):
        poller = select.poll()
        poller.register(self.master, select.POLLIN)
        while not self._stop and not self._seen_opening(poller):
            pass
        if self._stop:
            return
        self.opened.set()
        time.sleep(self.delay)
        if self.identity:
            os.write(self.master, self.identity)
        self.identity_sent.set()
        os.set_blocking(self.master, False)
        while not self._stop:
            if self.stream:
                try:
                    os.write(self.master, self.stream)
                except BlockingIOError:
                    pass  # the program is not reading: the line is full
            events = poller.poll(5 if self.stream else 50)
            for _, event in events:
                if event & select.POLLIN:
                    try:
                        self.received += os.read(self.master, 4096)
                    except BlockingIOError:
                        pass
                    except OSError:
                        return
                elif event & select.POLLHUP:
                    time.sleep(0.02)

    def lock_line(self):
        """Another program holds the line: an advisory lock on the program's
        end of it (needs hold_slave)."""
        fcntl.flock(self._slave, fcntl.LOCK_EX)

    def line_is_exclusive(self):
        """Whether the line refuses further opens (TIOCEXCL; needs hold_slave)."""
        return struct.unpack("i", fcntl.ioctl(self._slave, TIOCGEXCL, b"\0" * 4))[0] != 0

    def set_line_as_another_program_left_it(self):
        """Hardware and software flow control on, 19200 bit/s 7E2: what a
        program that used the port before may leave (needs hold_slave)."""
        iflag, oflag, cflag, lflag, _, _, cc = termios.tcgetattr(self._slave)
        iflag |= termios.IXON | termios.IXOFF
        cflag &= ~termios.CSIZE
        cflag |= termios.CS7 | termios.PARENB | termios.CSTOPB | termios.CRTSCTS
        termios.tcsetattr(self._slave, termios.TCSANOW,
                          [iflag, oflag, cflag, lflag, termios.B19200, termios.B19200, cc])

    def line(self):
        """The program's end of the line as it is set, such as "9600 8N1",
        followed by any flow control that is on (needs hold_slave)."""
        iflag, _, cflag, _, _, speed, _ = termios.tcgetattr(self._slave)
        bits = {termios.CS5: 5, termios.CS6: 6, termios.CS7: 7, termios.CS8: 8}[
            cflag & termios.CSIZE]
        parity = "N" if not cflag & termios.PARENB else "O" if cflag & termios.PARODD else "E"
        settings = [f"{_SPEEDS.get(speed, speed)} {bits}{parity}{2 if cflag & termios.CSTOPB else 1}"]
        settings += [name for name, on in (("CRTSCTS", cflag & termios.CRTSCTS),
                                           ("IXON", iflag & termios.IXON),
                                           ("IXOFF", iflag & termios.IXOFF)) if on]
        return " ".join(settings)

    def stop_taking_bytes(self):
        """The line takes no more bytes from the program (needs hold_slave)."""
        termios.tcflow(self._slave, termios.TCOOFF)

    def hang_up(self):
        """The board is unplugged: the master end goes away."""
        self._stop = True
        self._thread.join()
        os.close(self.master)
        if self._slave is not None:
            os.close(self._slave)
        self._hung_up = True

    def close(self):
        if not self._hung_up:
            self.hang_up()

    def wait_for_bytes(self, pattern, timeout=10.0):
        """Waits until the bytes received match pattern (a regular expression
        over all of them); returns them."""
        compiled = re.compile(pattern, re.DOTALL)
        deadline = time.monotonic() + timeout
        while not compiled.fullmatch(bytes(self.received)):
            if time.monotonic() > deadline:
                raise AssertionError(f"board received {bytes(self.received)!r}, not {pattern!r}")
            time.sleep(0.05)
        return bytes(self.received)


class TimedBytes(bytearray):
    """A board's received bytes, with the time each piece arrived."""

    def __init__(self):
        super().__init__()
        self.arrivals = []

    def __iadd__(self, data):
        self.arrivals.append((time.monotonic(), len(self), bytes(data)))
        return super().__iadd__(data)

    def delays_after_changes(self, change, count, seed):
        """Calls change(on) count times, on true and false by turns, each
        after a pause of 150 to 250 ms drawn from seed so that it lands
        anywhere in the monitor's cycle; returns, sorted, the times from each
        call to the first piece after it with the new colour's byte (G on, B
        off)."""
        pause = random.Random(seed)
        delays = []
        for index in range(count):
            time.sleep(pause.uniform(0.15, 0.25))
            on = index % 2 == 0
            seen = len(self.arrivals)
            changed_at = time.monotonic()
            change(on)
            delays.append(self._first_arrival(seen, b"G" if on else b"B") - changed_at)
        return sorted(delays)

    def _first_arrival(self, seen, byte):
        """When the first piece after the first `seen` ones with byte in it
        arrived."""
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            for when, _, data in self.arrivals[seen:]:
                if byte in data:
                    return when
            time.sleep(0.001)
        raise AssertionError(f"no {byte!r} reached the board")


def make_sysfs(root, ports):
    """ports: list of (tty name, USB product, device node path)."""
    tty_class = os.path.join(root, "class", "tty")
    os.makedirs(tty_class, exist_ok=True)
    for index, (name, product, node) in enumerate(ports, start=1):
        usb = os.path.join(root, "devices", "pci0000:00", "usb1", f"1-{index}")
        interface = os.path.join(usb, f"1-{index}:1.0")
        entry = os.path.join(interface, "tty", name)
        os.makedirs(entry)
        with open(os.path.join(usb, "idVendor"), "w") as f:
            f.write("2341\n")
        with open(os.path.join(usb, "product"), "w") as f:
            f.write(product + "\n")
        with open(os.path.join(entry, "uevent"), "w") as f:
            f.write(f"MAJOR=136\nMINOR={index}\nDEVNAME={node[len('/dev/'):]}\n")
        os.symlink(os.path.relpath(interface, entry), os.path.join(entry, "device"))
        os.symlink(os.path.relpath(entry, tty_class), os.path.join(tty_class, name))


def set_caps_lock_led(root, on, keyboard="input3"):
    """The keyboard's Caps Lock LED in the tree's LED class, lit or dark, as
    the compositor or the console sets it."""
    led = os.path.join(root, "class", "leds", f"{keyboard}::capslock")
    os.makedirs(led, exist_ok=True)
    # Replaced whole, so that the program never reads the file half written.
    written = os.path.join(led, "brightness.new")
    with open(written, "w") as f:
        f.write("1\n" if on else "0\n")
    os.replace(written, os.path.join(led, "brightness"))
