"""The real program in surroundings that work against it: a console whose
reader has gone or that takes nothing, standard streams left closed, an input
that never ends a line, a list file that is no file, signals at a failure's
pause. Every end still switches the lamp dark and ends with its status."""

import errno
import os
import signal
import subprocess
import time
import unittest

from harness.board import UNO, FakeBoard
from harness.paths import required_path
from harness.program import (
    NO_DESKTOP_SESSION, WorkFolder, blocks_end_signals, end_and_close, read_until,
    wait_for_output)
from harness.texts import (
    BANNER, HOW_TO_END, LIST_UNREADABLE, OPEN_FAILED, PAUSE, SEND_FAILED, reason)

# The prompt of a failure's pause, before the key that ends it.
PAUSE_PROMPT = PAUSE[:-1]


class SurroundingsTest(unittest.TestCase):
    def setUp(self):
        self.work = WorkFolder()
        self.addCleanup(self.work.cleanup)

    def start(self, *boards, **streams):
        """The program with these boards present, all of them listed."""
        for board in boards:
            self.addCleanup(board.close)
        sysfs = self.work.show_ports(*((UNO, board.path) for board in boards))
        process = self.work.start(required_path("MORVANE_BINARY"), sysfs, env=NO_DESKTOP_SESSION,
                                  **streams)
        self.addCleanup(end_and_close, process)
        return process

    def ended_with(self, process, status):
        process.wait(timeout=10)
        self.assertEqual(process.returncode, status)
        self.assertEqual(process.stderr.read(), b"")

    def test_a_console_whose_reader_has_gone_costs_only_its_text(self):
        board = FakeBoard()
        process = self.start(board)
        wait_for_output(process, HOW_TO_END)
        process.stdout.close()
        process.send_signal(signal.SIGTERM)
        self.ended_with(process, 0)
        board.wait_for_bytes(rb"rgb", timeout=2)

    def test_a_console_that_takes_no_text_holds_up_neither_the_lamp_off_nor_the_end(self):
        board = FakeBoard()
        console, program_end = os.pipe()
        self.addCleanup(os.close, console)
        process = self.start(board, stdout=program_end)
        os.close(program_end)
        read_until(console, b"", HOW_TO_END.encode(), 10)
        # Filled through a description of its own, so that the program's
        # writes still block.
        filler = os.open(f"/proc/self/fd/{console}", os.O_WRONLY | os.O_NONBLOCK)
        self.addCleanup(os.close, filler)
        try:
            while True:
                os.write(filler, b"x" * 4096)
        except BlockingIOError:
            pass
        process.send_signal(signal.SIGTERM)
        board.wait_for_bytes(rb"rgb", timeout=1.0)
        self.ended_with(process, 0)

    def test_an_end_signal_at_a_failures_pause_ends_it_with_the_failures_status(self):
        # Nothing to drive, before the handler is installed; and the lamp-off
        # failed with the board unplugged, after.
        self.work.write_list("// none yet\n")
        process = self.start()
        wait_for_output(process, LIST_UNREADABLE + PAUSE_PROMPT)
        process.send_signal(signal.SIGTERM)
        self.ended_with(process, 2)

        self.work.write_list(f"{UNO}\n")
        board = FakeBoard()
        process = self.start(board)
        wait_for_output(process, HOW_TO_END)
        board.hang_up()
        process.send_signal(signal.SIGINT)
        wait_for_output(process, SEND_FAILED + reason(os.strerror(errno.EIO)) + PAUSE_PROMPT)
        process.send_signal(signal.SIGTERM)
        self.ended_with(process, 1)

    def test_closed_standard_streams_lend_their_numbers_to_neither_file_nor_port(self):
        board = FakeBoard()
        self.addCleanup(board.close)
        sysfs = self.work.show_ports((UNO, board.path))
        # As some launchers start it: the shell closes both, then becomes the
        # program.
        process = self.work.start("/bin/sh", sysfs, env=NO_DESKTOP_SESSION, stdin=None,
                                  stdout=None,
                                  args=("-c", 'exec "$0" <&- >&-', required_path("MORVANE_BINARY")))
        self.addCleanup(end_and_close, process)
        self.assertTrue(board.identity_sent.wait(10))
        deadline = time.monotonic() + 10
        while not blocks_end_signals(process.pid):
            self.assertLess(time.monotonic(), deadline, "the handler was never installed")
            time.sleep(0.05)
        process.send_signal(signal.SIGTERM)
        self.ended_with(process, 0)
        board.wait_for_bytes(rb"rgb", timeout=2)

    def test_a_list_file_that_is_no_regular_file_reads_as_empty(self):
        path = os.path.join(self.work.path, "arduino_portname.txt")
        os.remove(path)
        os.mkfifo(path)
        process = self.start()
        out, _ = process.communicate(timeout=20)
        self.assertEqual(out.decode(), BANNER + LIST_UNREADABLE + PAUSE)
        self.assertEqual(process.returncode, 2)

    def test_a_list_file_that_cannot_be_read_says_why(self):
        # A loop of links stands for any file there that cannot be read: as
        # root, a file without permission would still read.
        path = os.path.join(self.work.path, "arduino_portname.txt")
        os.remove(path)
        os.symlink("arduino_portname.txt", path)
        process = self.start()
        out, _ = process.communicate(timeout=20)
        self.assertEqual(out.decode(),
                         BANNER + LIST_UNREADABLE + reason(os.strerror(errno.ELOOP)) + PAUSE)
        self.assertEqual(process.returncode, 2)

    def test_an_input_that_never_ends_a_line_is_read_only_so_far(self):
        # Two boards: the menu reads a line of NUL bytes, which names no row,
        # so the port fails to open and the failure's pause reads on.
        with open("/dev/zero", "rb") as zeros:
            process = self.start(FakeBoard(), FakeBoard(), stdin=zeros)
        out, _ = process.communicate(timeout=20)
        self.assertTrue(
            out.decode().endswith(OPEN_FAILED + reason(os.strerror(errno.ENOENT)) + PAUSE), out)
        self.assertEqual(process.returncode, 1)


if __name__ == "__main__":
    unittest.main()
