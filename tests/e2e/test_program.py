"""The real program against fake boards on pseudo-terminals: the scenarios
that the installed program passes too (harness/program_scenarios.py), and
these."""

import os
import signal
import time
import unittest

from harness.board import UNO, FakeBoard
from harness.paths import required_path
from harness.program import wait_for_output
from harness.program_scenarios import ProgramScenarios
from harness.texts import (
    END, FINISH, HOW_TO_END, LIST_UNREADABLE, MENU, NO_IDENTITY, NOBODY_TO_CHOOSE, OPEN_FAILED,
    PAUSE, menu_row, port_present, selected)


class ProgramTest(ProgramScenarios, unittest.TestCase):
    def start(self):
        return self.work.start(required_path("MORVANE_BINARY"), self.sysfs_tree())

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

    def test_a_silent_board_fails_after_the_deadline(self):
        self.boards_present((UNO, FakeBoard(identity=b"")))
        started = time.monotonic()
        self.fails_with(self.start(), NO_IDENTITY + FINISH, status=2)
        self.assertGreaterEqual(time.monotonic() - started, 4.5)

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
