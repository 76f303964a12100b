"""The real program against fake boards on pseudo-terminals."""

import errno
import os
import signal
import time
import unittest

from harness.board import UNO, FakeBoard
from harness.program import WorkFolder, wait_for_output
from harness.texts import (
    BANNER, END, FINISH, HOW_TO_END, INSTRUCTIONS, LIST_UNREADABLE, MENU, NO_DISPLAY,
    NO_IDENTITY, NOBODY_TO_CHOOSE, NOT_THE_LAMP, OPEN_FAILED, PAUSE, PORTS_PRESENT, SEND_FAILED,
    found, handshake, menu_row, named, port_present, reason, selected)

BINARY = os.environ["MORVANE_BINARY"]


class ProgramTest(unittest.TestCase):
    def setUp(self):
        self.work = WorkFolder("// boards\nArduino Uno\n")
        self.addCleanup(self.work.cleanup)
        self.sysfs = None

    def boards_present(self, *boards, tree="sys"):
        """boards: (product, FakeBoard) pairs, shown as ttyACM0, ttyACM1, ..."""
        for _, board in boards:
            self.addCleanup(board.close)
        self.sysfs = self.work.show_ports(*((product, board.path) for product, board in boards),
                                          tree=tree)

    def start(self):
        return self.work.start(BINARY, self.sysfs or os.path.join(self.work.path, "sys"))

    def finish(self, process, stdin_text="", timeout=15):
        out, err = process.communicate(input=stdin_text.encode(), timeout=timeout)
        self.assertEqual(err, b"")
        return out.decode("utf-8")

    def fails_with(self, process, *texts, status=1):
        """The program ends with status (1, or 2 when there is nothing to
        drive), each of texts in its output."""
        out = self.finish(process)
        for text in texts:
            self.assertIn(text, out)
        self.assertEqual(process.returncode, status)
        return out

    def test_a_matching_board_is_driven_until_sigint_ends_it_dark(self):
        board = FakeBoard()
        self.boards_present((UNO, board))
        process = self.start()
        # The notice is the last line before the monitor: a signal before it
        # would rightly cut it off.
        seen = wait_for_output(process, NO_DISPLAY)
        process.send_signal(signal.SIGINT)
        out = seen + self.finish(process)
        self.assertEqual(process.returncode, 0)
        self.assertEqual(
            out, BANNER + found(board.path) + handshake(board.path) + INSTRUCTIONS + NO_DISPLAY
            + END)
        time.sleep(0.2)
        self.assertEqual(bytes(board.received), b"rgb")

    def test_sigterm_sighup_sigquit_and_sigusr1_end_like_sigint(self):
        # SIGQUIT is Ctrl+\ in the program's terminal; SIGUSR1 stands for the
        # signals that a stray kill may send.
        for ending in (signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGUSR1):
            with self.subTest(signal=ending.name):
                board = FakeBoard()
                self.boards_present((UNO, board), tree=ending.name)
                process = self.start()
                wait_for_output(process, HOW_TO_END)
                process.send_signal(ending)
                self.assertTrue(self.finish(process).endswith(END))
                self.assertEqual(process.returncode, 0)
                time.sleep(0.2)
                self.assertEqual(bytes(board.received), b"rgb")
                board.close()

    def test_another_identity_is_refused_and_the_lamp_left_alone(self):
        board = FakeBoard(identity=b"Lumivantrexia1\r\n")
        self.boards_present((UNO, board))
        out = self.fails_with(self.start(), named("Lumivantrexia1") + NOT_THE_LAMP + FINISH, status=2)
        self.assertTrue(out.endswith(PAUSE))
        self.assertEqual(bytes(board.received), b"")

    def test_a_silent_board_fails_after_the_deadline(self):
        self.boards_present((UNO, FakeBoard(identity=b"")))
        started = time.monotonic()
        self.fails_with(self.start(), NO_IDENTITY + FINISH, status=2)
        self.assertGreaterEqual(time.monotonic() - started, 4.5)

    def test_a_board_that_hangs_up_makes_the_next_send_fail(self):
        board = FakeBoard()
        self.boards_present((UNO, board))
        process = self.start()
        wait_for_output(process, HOW_TO_END)
        board.hang_up()
        process.send_signal(signal.SIGINT)
        out = self.fails_with(process)
        self.assertTrue(out.endswith(END + SEND_FAILED + reason(os.strerror(errno.EIO)) + PAUSE),
                        out)

    def test_two_matches_show_the_menu_and_open_the_typed_choice(self):
        first, second = FakeBoard(), FakeBoard()
        self.boards_present((UNO, first), (UNO, second))
        process = self.start()
        menu = wait_for_output(process, f" : {UNO}\n\n")
        process.stdin.write(b"2\n")
        process.stdin.flush()
        seen = menu + wait_for_output(process, HOW_TO_END)
        self.assertIn(MENU + menu_row(1, first.path, UNO) + menu_row(2, second.path, UNO), seen)
        self.assertIn(selected(second.path), seen)
        process.send_signal(signal.SIGINT)
        self.finish(process)
        time.sleep(0.2)
        self.assertEqual(bytes(second.received), b"rgb")
        self.assertEqual(bytes(first.received), b"")

    def test_the_menu_with_no_input_opens_no_port(self):
        first, second = FakeBoard(), FakeBoard()
        self.boards_present((UNO, first), (UNO, second))
        # Standard input at its end, as a service has it.
        out = self.fails_with(self.start(), status=2)
        self.assertTrue(out.endswith(
            menu_row(2, second.path, UNO) + "\n" + NOBODY_TO_CHOOSE + PAUSE), out)
        self.assertFalse(first.opened.is_set() or second.opened.is_set())

    def test_no_listed_board_lists_the_ports_present(self):
        board = FakeBoard()
        self.boards_present(("USB Serial", board))
        self.fails_with(self.start(), PORTS_PRESENT + port_present(board.path, "USB Serial"), status=2)

    def test_a_product_string_with_escape_sequences_is_listed_escaped(self):
        board = FakeBoard()
        self.boards_present(("\x1b[2J\x1b]0;owned\x07Uno\x9b", board))
        out = self.fails_with(
            self.start(), port_present(board.path, "\\x1B[2J\\x1B]0;owned\\x07Uno\\xC2\\x9B"),
            status=2)
        self.assertEqual([c for c in out if c < " " and c != "\n" or "\x7f" <= c <= "\x9f"], [])

    def test_a_missing_list_file_fails_with_its_messages(self):
        os.remove(os.path.join(self.work.path, "arduino_portname.txt"))
        self.fails_with(self.start(), LIST_UNREADABLE, status=2)

    def test_a_port_in_use_cannot_be_opened(self):
        self.boards_present((UNO, FakeBoard()))
        holder = self.start()
        wait_for_output(holder, HOW_TO_END)
        self.fails_with(self.start(), OPEN_FAILED)
        holder.send_signal(signal.SIGINT)
        self.finish(holder)


if __name__ == "__main__":
    unittest.main()
