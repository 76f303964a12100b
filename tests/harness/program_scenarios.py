"""The program's scenarios that hold wherever it was installed from: the
end-to-end tests run them on the build's program (tests/e2e/test_program.py)
and the package's tests on the installed one (tests/package): the session
with a board, and one end of each exit status."""

import errno
import os
import signal
import time

from harness.board import UNO, FakeBoard
from harness.program import WorkFolder, wait_for_output
from harness.texts import (
    BANNER, END, FINISH, HOW_TO_END, INSTRUCTIONS, NO_DISPLAY, NOT_THE_LAMP, PAUSE,
    PORTS_PRESENT, SEND_FAILED, found, handshake, named, port_present, reason)


class ProgramScenarios:
    """Mixed into a unittest.TestCase, whose start() starts the program under
    test in self.work, finding its boards in sysfs_tree()."""

    def setUp(self):
        super().setUp()
        self.work = WorkFolder("// boards\nArduino Uno\n")
        self.addCleanup(self.work.cleanup)
        self.sysfs = None

    def boards_present(self, *boards, tree="sys"):
        """boards: (product, FakeBoard) pairs, shown as ttyACM0, ttyACM1, ..."""
        for _, board in boards:
            self.addCleanup(board.close)
        self.sysfs = self.work.show_ports(*((product, board.path) for product, board in boards),
                                          tree=tree)

    def sysfs_tree(self):
        """The tree that shows the boards present: an empty one before any."""
        return self.sysfs or os.path.join(self.work.path, "sys")

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

    def test_another_identity_is_refused_and_the_lamp_left_alone(self):
        board = FakeBoard(identity=b"Lumivantrexia1\r\n")
        self.boards_present((UNO, board))
        out = self.fails_with(self.start(), named("Lumivantrexia1") + NOT_THE_LAMP + FINISH, status=2)
        self.assertTrue(out.endswith(PAUSE))
        self.assertEqual(bytes(board.received), b"")

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

    def test_no_listed_board_lists_the_ports_present(self):
        board = FakeBoard()
        self.boards_present(("USB Serial", board))
        self.fails_with(self.start(), PORTS_PRESENT + port_present(board.path, "USB Serial"), status=2)
