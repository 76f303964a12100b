"""Faults on the serial line: the real program against boards that go wrong.

Each scenario ends with its message and status, within a bounded time: a hang
fails the test by the time-out of communicate.
"""

import os
import signal
import sys
import tempfile
import time
import unittest

from fake_board import FakeBoard, make_sysfs, start_program, wait_for_output

BINARY = os.environ["MORVANE_BINARY"]
INSTRUCTIONS = "[Shift]キー + [Esc]キーを合わせて押すと終了します。\n\n"
END = "\n終了しました。\n"
PAUSE = "続行するには何かキーを押してください . . . \n"
SEND_FAILED = "装置に信号を送信できませんでした\n" + PAUSE
RECEIVE_FAILED = "Recept FAILED\n" + PAUSE
NO_IDENTITY = "Arduinoから名称を受信できませんでした。\nFINISH\n" + PAUSE
WRITE_TIMEOUT_S = 1.0

# Without a desktop session the program reads no state and sends nothing
# while it monitors, whatever desktop the tests run in.
for name in ("DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "WAYLAND_DISPLAY"):
    os.environ.pop(name, None)


class FaultTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.work = self.folder.name
        with open(os.path.join(self.work, "arduino_portname.txt"), "w") as f:
            f.write("Arduino Uno\n")
        self.board = None

    def tearDown(self):
        if self.board:
            self.board.close()
        self.folder.cleanup()

    def start(self, board):
        self.board = board
        sysfs = os.path.join(self.work, "sys")
        make_sysfs(sysfs, [("ttyACM0", "Arduino Uno", board.path)])
        return start_program(BINARY, self.work, sysfs)

    def finish(self, process, timeout=20):
        out, err = process.communicate(timeout=timeout)
        self.assertEqual(err, b"")
        return out.decode("utf-8")

    def monitoring(self, board):
        process = self.start(board)
        wait_for_output(process, INSTRUCTIONS)
        return process

    def assert_still_monitoring(self, process, seconds):
        time.sleep(seconds)
        self.assertIsNone(process.poll(), "the program ended by itself")

    # ---- the board unplugged at each stage -------------------------------

    def test_a_board_unplugged_before_the_port_opens(self):
        # Listed, but its device node is gone by the time the port is opened.
        # (A closed pseudo-terminal's number is soon another test's.)
        path = f"/dev/ttyACM-unplugged-{os.getpid()}"
        sysfs = os.path.join(self.work, "sys")
        make_sysfs(sysfs, [("ttyACM0", "Arduino Uno", path)])
        process = start_program(BINARY, self.work, sysfs)
        out = self.finish(process)
        self.assertIn(f"ポート番号「{path}」を開きます。\n入力されたCOMポート番号が開けません。\n{PAUSE}", out)
        self.assertEqual(process.returncode, 1)

    def test_a_board_unplugged_after_set_up_before_its_identity(self):
        board = FakeBoard(identity=b"", hold_slave=True)
        process = self.start(board)
        self.assertTrue(board.opened.wait(10))
        board.hang_up()
        out = self.finish(process)
        self.assertTrue(out.endswith("モジュールが適切に見つかりました。\n" + RECEIVE_FAILED), out)
        self.assertEqual(process.returncode, 1)

    def test_a_board_unplugged_in_the_middle_of_its_identity(self):
        board = FakeBoard(identity=b"Lumiva")
        process = self.start(board)
        self.assertTrue(board.identity_sent.wait(10))
        board.hang_up()
        out = self.finish(process)
        self.assertTrue(out.endswith("モジュールが適切に見つかりました。\n" + RECEIVE_FAILED), out)
        self.assertEqual(process.returncode, 1)

    def test_a_board_unplugged_while_monitored_fails_the_lamp_off(self):
        board = FakeBoard()
        process = self.monitoring(board)
        board.hang_up()
        self.assert_still_monitoring(process, 1.0)
        process.send_signal(signal.SIGINT)
        out = self.finish(process)
        self.assertTrue(out.endswith(END + SEND_FAILED), out)
        self.assertEqual(process.returncode, 1)

    def test_a_board_unplugged_while_the_lamp_off_waits_for_the_line(self):
        board = FakeBoard(hold_slave=True)
        process = self.monitoring(board)
        board.stop_taking_bytes()
        signalled = time.monotonic()
        process.send_signal(signal.SIGINT)
        time.sleep(WRITE_TIMEOUT_S / 4)
        board.hang_up()
        out = self.finish(process)
        # Ended by the hang-up, not by the write time-out.
        self.assertLess(time.monotonic() - signalled, WRITE_TIMEOUT_S * 0.8)
        self.assertTrue(out.endswith(END + SEND_FAILED), out)
        self.assertEqual(process.returncode, 1)
        self.assertEqual(bytes(board.received), b"")

    # ---- a board that sends too much --------------------------------------

    def test_a_board_that_floods_the_line_after_its_identity(self):
        board = FakeBoard(stream=b"\xff\x00floodR\r\n" * 64)
        process = self.monitoring(board)
        self.assert_still_monitoring(process, 1.0)
        process.send_signal(signal.SIGINT)
        out = self.finish(process)
        self.assertTrue(out.endswith(END), out)
        self.assertEqual(process.returncode, 0)
        time.sleep(0.2)
        self.assertEqual(bytes(board.received), b"rgb")

    def test_an_identity_that_never_ends_fails_at_the_deadline(self):
        board = FakeBoard(identity=b"Lumivantrexial", stream=b"\n-no-end-" * 8)
        started = time.monotonic()
        process = self.start(board)
        out = self.finish(process)
        self.assertGreaterEqual(time.monotonic() - started, 4.5)
        self.assertTrue(out.endswith(NO_IDENTITY), out)
        self.assertEqual(process.returncode, 1)
        self.assertEqual(bytes(board.received), b"")

    # ---- a line that takes no more bytes ----------------------------------

    def test_a_line_that_takes_no_bytes_fails_the_lamp_off_after_the_write_time_out(self):
        board = FakeBoard(hold_slave=True)
        process = self.monitoring(board)
        board.stop_taking_bytes()
        signalled = time.monotonic()
        process.send_signal(signal.SIGINT)
        out = self.finish(process)
        self.assertGreaterEqual(time.monotonic() - signalled, WRITE_TIMEOUT_S * 0.9)
        self.assertTrue(out.endswith(END + SEND_FAILED), out)
        self.assertEqual(process.returncode, 1)
        self.assertEqual(bytes(board.received), b"")

    # ---- signals that come again ------------------------------------------

    def test_signals_in_quick_succession_end_the_program_once(self):
        board = FakeBoard()
        process = self.monitoring(board)
        for ending in [signal.SIGINT] * 8 + [signal.SIGTERM, signal.SIGHUP]:
            process.send_signal(ending)
        out = self.finish(process)
        self.assertEqual(out.count(END), 1, out)
        self.assertTrue(out.endswith(END), out)
        self.assertEqual(process.returncode, 0)
        time.sleep(0.2)
        self.assertEqual(bytes(board.received), b"rgb")

    def test_signals_while_the_lamp_off_is_held_up_change_nothing(self):
        board = FakeBoard(hold_slave=True)
        process = self.monitoring(board)
        board.stop_taking_bytes()
        for _ in range(5):
            process.send_signal(signal.SIGINT)
            time.sleep(WRITE_TIMEOUT_S / 10)
        out = self.finish(process)
        self.assertEqual(out.count(END), 1, out)
        self.assertTrue(out.endswith(END + SEND_FAILED), out)
        self.assertEqual(process.returncode, 1)


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(__file__))
    unittest.main()
