"""Faults on the serial line: the real program against boards that go wrong.

Each scenario ends with its message and status, within a bounded time: a hang
fails the test by the time-out of communicate.
"""

import errno
import os
import signal
import time
import unittest

from harness.board import UNO, FakeBoard
from harness.paths import required_path
from harness.program import NO_DESKTOP_SESSION, WorkFolder, wait_for_output
from harness.texts import (
    END, FINISH, HOW_TO_END, IDENTITY, MODULE_FOUND, NO_IDENTITY, OPEN_FAILED, PAUSE,
    RECEIVE_FAILED, SEND_FAILED, opening, reason)

WRITE_TIMEOUT_S = 1.0

# The system's reasons for the failures that these boards bring about.
HUNG_UP = reason(os.strerror(errno.EIO))
TIMED_OUT = reason(os.strerror(errno.ETIMEDOUT))


class FaultTest(unittest.TestCase):
    def setUp(self):
        self.work = WorkFolder()
        self.addCleanup(self.work.cleanup)

    def start(self, board=None, node=None):
        """The program with one board listed: a fake one, or a device node."""
        if board:
            self.addCleanup(board.close)
        sysfs = self.work.show_ports((UNO, board.path if board else node))
        # Without a desktop session the program reads no state and sends
        # nothing while it monitors, whatever desktop the tests run in.
        return self.work.start(required_path("MORVANE_BINARY"), sysfs, env=NO_DESKTOP_SESSION)

    def finish(self, process, timeout=20):
        out, err = process.communicate(timeout=timeout)
        self.assertEqual(err, b"")
        return out.decode("utf-8")

    def ends_with(self, process, tail, status):
        out = self.finish(process)
        self.assertTrue(out.endswith(tail), out)
        self.assertEqual(process.returncode, status)
        return out

    def monitoring(self, board):
        process = self.start(board)
        wait_for_output(process, HOW_TO_END)
        return process

    def assert_still_monitoring(self, process, seconds):
        time.sleep(seconds)
        self.assertIsNone(process.poll(), "the program ended by itself")

    def held_up(self):
        """A monitored board whose line then takes no bytes."""
        board = FakeBoard(hold_slave=True)
        process = self.monitoring(board)
        board.stop_taking_bytes()
        return board, process

    def lamp_off_unsent(self, process, board, signalled, why):
        """The program fails with the lamp-off unsent, for the reason why;
        returns the seconds from the signal to its end."""
        out = self.finish(process)
        seconds = time.monotonic() - signalled
        self.assertTrue(out.endswith(END + SEND_FAILED + why + PAUSE), out)
        self.assertEqual(process.returncode, 1)
        self.assertEqual(bytes(board.received), b"")
        return seconds

    # ---- the board unplugged at each stage -------------------------------

    def test_a_board_unplugged_before_the_port_opens(self):
        # Listed, but its device node is gone by the time the port is opened.
        # (A closed pseudo-terminal's number is soon another test's.)
        path = f"/dev/ttyACM-unplugged-{os.getpid()}"
        out = self.ends_with(self.start(node=path), PAUSE, 1)
        self.assertIn(
            opening(path) + OPEN_FAILED + reason(os.strerror(errno.ENOENT)) + PAUSE, out)

    def test_a_board_unplugged_after_set_up_before_its_identity(self):
        board = FakeBoard(identity=b"", hold_slave=True)
        process = self.start(board)
        self.assertTrue(board.opened.wait(10))
        board.hang_up()
        self.ends_with(process, MODULE_FOUND + RECEIVE_FAILED + HUNG_UP + PAUSE, 1)

    def test_a_board_unplugged_in_the_middle_of_its_identity(self):
        board = FakeBoard(identity=b"Lumiva")
        process = self.start(board)
        self.assertTrue(board.identity_sent.wait(10))
        board.hang_up()
        self.ends_with(process, MODULE_FOUND + RECEIVE_FAILED + HUNG_UP + PAUSE, 1)

    def test_a_board_unplugged_while_monitored_fails_the_lamp_off(self):
        board = FakeBoard()
        process = self.monitoring(board)
        board.hang_up()
        self.assert_still_monitoring(process, 1.0)
        process.send_signal(signal.SIGINT)
        self.ends_with(process, END + SEND_FAILED + HUNG_UP + PAUSE, 1)

    def test_a_board_unplugged_while_the_lamp_off_waits_for_the_line(self):
        board, process = self.held_up()
        signalled = time.monotonic()
        process.send_signal(signal.SIGINT)
        time.sleep(WRITE_TIMEOUT_S / 4)
        board.hang_up()
        # Ended by the hang-up, not by the write time-out.
        self.assertLess(self.lamp_off_unsent(process, board, signalled, HUNG_UP),
                        WRITE_TIMEOUT_S * 0.8)

    def test_a_port_that_another_program_has_locked_is_left_as_found(self):
        board = FakeBoard(hold_slave=True)
        board.lock_line()
        out = self.ends_with(self.start(board), PAUSE, 1)
        # The program that holds the line can still open it again.
        self.assertFalse(board.line_is_exclusive())
        self.assertIn(OPEN_FAILED + reason(os.strerror(errno.EWOULDBLOCK)), out)

    def test_every_end_leaves_the_line_open_to_the_next_opening(self):
        # A pseudo-terminal keeps the exclusive flag after its last close: left
        # set, it would refuse the next opening, the program's own restart too.
        for end, identity, ending, status in (
                ("a signal while monitoring", IDENTITY.encode() + b"\r\n", signal.SIGINT, 0),
                ("a silent board", b"", None, 2),
                ("a signal before the handshake", b"", signal.SIGTERM, -signal.SIGTERM)):
            with self.subTest(end):
                board = FakeBoard(identity=identity, hold_slave=True)
                self.addCleanup(board.close)
                work = WorkFolder()
                self.addCleanup(work.cleanup)
                process = work.start(required_path("MORVANE_BINARY"),
                                     work.show_ports((UNO, board.path)), env=NO_DESKTOP_SESSION)
                if ending == signal.SIGINT:
                    wait_for_output(process, HOW_TO_END)
                elif ending:
                    self.assertTrue(board.opened.wait(10))
                if ending:
                    process.send_signal(ending)
                self.finish(process)
                self.assertEqual(process.returncode, status)
                self.assertFalse(board.line_is_exclusive())

    # ---- a board that sends too much --------------------------------------

    def test_a_board_that_floods_the_line_after_its_identity(self):
        board = FakeBoard(stream=b"\xff\x00floodR\r\n" * 64)
        process = self.monitoring(board)
        self.assert_still_monitoring(process, 1.0)
        process.send_signal(signal.SIGINT)
        self.ends_with(process, END, 0)
        time.sleep(0.2)
        self.assertEqual(bytes(board.received), b"rgb")

    def test_an_identity_that_never_ends_fails_at_the_deadline(self):
        board = FakeBoard(identity=b"Lumivantrexial", stream=b"\n-no-end-" * 8)
        started = time.monotonic()
        process = self.start(board)
        out = self.finish(process)
        self.assertGreaterEqual(time.monotonic() - started, 4.5)
        self.assertTrue(out.endswith(NO_IDENTITY + FINISH + PAUSE), out)
        self.assertEqual(process.returncode, 2)
        self.assertEqual(bytes(board.received), b"")

    # ---- a program held up -------------------------------------------------

    def test_an_identity_that_came_while_the_program_was_stopped_is_taken(self):
        # The board sends once the line is set up, while the program is
        # stopped; it goes on only after the deadline has passed.
        board = FakeBoard(hold_slave=True, delay=0.5)
        process = self.start(board)
        self.assertTrue(board.opened.wait(10))
        process.send_signal(signal.SIGSTOP)
        self.assertTrue(board.identity_sent.wait(5))
        time.sleep(5.5)
        process.send_signal(signal.SIGCONT)
        wait_for_output(process, HOW_TO_END)
        process.send_signal(signal.SIGINT)
        self.ends_with(process, END, 0)

    # ---- a line that another program set up -------------------------------

    def test_a_line_left_with_flow_control_is_set_whole(self):
        board = FakeBoard(hold_slave=True)
        board.set_line_as_another_program_left_it()
        process = self.monitoring(board)
        self.assertEqual(board.line(), "9600 8N1")
        process.send_signal(signal.SIGINT)
        self.ends_with(process, END, 0)

    # ---- a line that takes no more bytes ----------------------------------

    def test_a_line_that_takes_no_bytes_fails_the_lamp_off_after_the_write_time_out(self):
        board, process = self.held_up()
        signalled = time.monotonic()
        process.send_signal(signal.SIGINT)
        self.assertGreaterEqual(self.lamp_off_unsent(process, board, signalled, TIMED_OUT),
                                WRITE_TIMEOUT_S * 0.9)

    # ---- signals that come again ------------------------------------------

    def test_signals_in_quick_succession_end_the_program_once(self):
        board = FakeBoard()
        process = self.monitoring(board)
        for ending in [signal.SIGINT] * 8 + [signal.SIGTERM, signal.SIGHUP]:
            process.send_signal(ending)
        out = self.ends_with(process, END, 0)
        self.assertEqual(out.count(END), 1, out)
        time.sleep(0.2)
        self.assertEqual(bytes(board.received), b"rgb")

    def test_signals_while_the_lamp_off_is_held_up_change_nothing(self):
        _, process = self.held_up()
        for _ in range(5):
            process.send_signal(signal.SIGINT)
            time.sleep(WRITE_TIMEOUT_S / 10)
        out = self.ends_with(process, END + SEND_FAILED + TIMED_OUT + PAUSE, 1)
        self.assertEqual(out.count(END), 1, out)


if __name__ == "__main__":
    unittest.main()
