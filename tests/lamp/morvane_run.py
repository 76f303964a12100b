"""The real morvane program, finding its board through a fake sysfs tree.

The board's device node is whatever pseudo-terminal the caller names, here
simlamp's. Standard output is gathered as it comes, so a test can wait for a
message while the lamp's timeline goes on.
"""

import codecs
import os
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from fake_board import make_sysfs, start_program  # noqa: E402

PRODUCT = "Arduino Uno"
IDENTITY_MESSAGE = "Arduinoから受信した名称は、「Lumivantrexial」です。\n"
INSTRUCTIONS = "[Shift]キー + [Esc]キーを合わせて押すと終了します。\n\n"
IME_ON = "IMEがONです。\n"
IME_OFF = "IMEがOFFで、半角英数モードです。\n"
SAVER = "スクリーンセイバーが起動しました。\n"
END = "\n終了しました。\n"


class MorvaneRun:
    """One run of the program in a scratch working folder of its own.

    echo, if given, hears each line of the program's standard output.
    """

    def __init__(self, binary, port_path, display, echo=None):
        self._folder = tempfile.TemporaryDirectory()
        work = self._folder.name
        with open(os.path.join(work, "arduino_portname.txt"), "w", encoding="utf-8") as f:
            f.write(f"{PRODUCT}\n")
        sysfs = os.path.join(work, "sys")
        make_sysfs(sysfs, [("ttyACM0", PRODUCT, port_path)])
        self.output = ""
        self.errors = b""
        self._echo = echo
        self._changed = threading.Condition()
        self.process = start_program(binary, work, sysfs, display=display)
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
        self._folder.cleanup()
