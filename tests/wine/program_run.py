"""One run of the program under Wine, watched through its redirected output."""

import signal
import subprocess
import tempfile

from harness.program import read_until
from wine_machine import program, start_program


def sjis(text):
    """Text as the program writes it to a file or pipe: Shift_JIS (Windows'
    code page 932) with CR LF line ends."""
    return text.replace("\n", "\r\n").encode("cp932")


# What Wine's command processor prints for the PAUSE that ends each failure,
# as a Japanese Windows would. With standard input at its end it returns at
# once, without a line end.
PAUSE_PROMPT = sjis("続けるには何かキーを押して下さい... ")


class ProgramRun:
    def __init__(self, workdir, windows_program=None):
        self.errors = tempfile.TemporaryFile()
        self.process = start_program(workdir, self.errors, windows_program or program())
        self.output = b""

    def wait_for(self, text, timeout=10.0):
        """Reads the output until text has appeared."""
        self.output = read_until(self.process.stdout.fileno(), self.output, sjis(text), timeout,
                                 decode=lambda data: data.decode("cp932", errors="replace"))

    def type_line(self, text):
        """A line typed into the redirected input, as a Windows file holds it."""
        self.process.stdin.write(sjis(text + "\n"))
        self.process.stdin.flush()

    def ctrl_c(self):
        """Wine turns SIGINT to its process into the console's Ctrl+C event."""
        self.process.send_signal(signal.SIGINT)

    def still_running_after(self, seconds):
        try:
            self.process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            return True
        return False

    def finish(self, timeout=20.0):
        """Closes the input, so that a PAUSE returns, and collects the rest of
        the output; returns (all output, exit status). Nothing may come on
        standard error."""
        rest, _ = self.process.communicate(input=b"", timeout=timeout)
        self.output += rest
        self.errors.seek(0)
        errors = self.errors.read()
        if errors:
            raise AssertionError(f"standard error: {errors!r}")
        return self.output, self.process.returncode

    def text(self):
        return self.output.decode("cp932", errors="replace")

