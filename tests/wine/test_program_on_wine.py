"""The real Windows program under Wine, against fake boards on pseudo-terminals.

Every end of the program that Wine can bring about, with its messages and its
exit status, as the redirected output carries them: Shift_JIS, CR LF.
"""

import os
import sys
import tempfile
import time
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

from fake_board import FakeBoard  # noqa: E402
from program_run import PAUSE_PROMPT, ProgramRun, sjis, wait_for_bytes  # noqa: E402
from wine_machine import (  # noqa: E402
    INSTALL_DIR, PACKAGE, Device, clear_screen_saver_flag, plug_in, run_helper)

SOURCES = os.path.join(HERE, "..", "..")
UNO = "Arduino Uno"

BANNER = "IMEのモードにより色を変えます。\n"
INSTRUCTIONS = (
    "[Shift]キー + [Esc]キーを合わせて押すと終了します。\n\n"
    "[×]ボタンを押してこのウィンドウを閉じてしまうと終了してしまいますので、"
    "このウィンドウが邪魔な場合は[－]ボタンを押して最小化してください。\n\n")
END = "\n終了しました。\n"
LIST_UNREADABLE = (
    "Arduinoのシリアルポート名一覧が読み込めませんでした。\n"
    "「arduino_portname.txt」ファイルが同じ階層に存在して、かつ中身があることを確認してください。\n")
NONE_LISTED = (
    "Arduino(互換機含む)がひとつも見つかりませんでした。\n"
    "接続されているのにこのエラーが出る場合は、「arduino_portname.txt」ファイルが同じ階層に存在し"
    "て、かつ記載があることを確認してください。\n")
MENU = (
    "\nふたつ以上のArduino(互換機含む)が見つかりました。\n"
    "どれを使うか選択してください。\n"
    "数字を入力して[Enter]キーを押してください。\n\n")
OPEN_FAILED = "入力されたCOMポート番号が開けません。\n"
SAVER = "スクリーンセイバーが起動しました。\n"

# Bytes to the lamp while it is monitored with Caps Lock off: the red-off
# byte each cycle (Wine shows no input method to read). Every end after the
# handshake switches the lamp dark last.
MONITORED = rb"r+"
DARK = rb"rgb"

# The program drops whatever came before its purge, right after the open:
# the board speaks well after it, even on a busy machine.
IDENTITY_DELAY_S = 0.5


def found(port):
    return f"見つけたポート番号は、{port}\n"


def opening(port):
    return f"ポート番号「{port}」を開きます。\n"


def opened(port):
    return opening(port) + "モジュールが適切に見つかりました。\n"


def handshake(port):
    return opened(port) + "Arduinoから受信した名称は、「Lumivantrexial」です。\n\n"


def up_to_monitoring(port="COM3"):
    """Everything a run with one listed board prints before it monitors."""
    return BANNER + found(port) + handshake(port) + INSTRUCTIONS


class WineScenario(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.work = folder.name
        self.write_list(b"// boards\r\nArduino Uno\r\n")

    def write_list(self, data):
        with open(os.path.join(self.work, "arduino_portname.txt"), "wb") as f:
            f.write(data)

    def board(self, **options):
        board = FakeBoard(delay=IDENTITY_DELAY_S, **options)
        self.addCleanup(board.close)
        return board

    def start(self, folder=None):
        run = ProgramRun(folder or self.work)
        self.addCleanup(run.errors.close)
        self.addCleanup(self._end, run.process)
        return run

    @staticmethod
    def _end(process):
        """After a failed scenario: the program must not outlive it."""
        if process.poll() is None:
            process.kill()
        # A PAUSE's command processor may still hold the output; closing the
        # input lets it return.
        process.communicate(timeout=10)

    def assert_fails_with(self, run, text, status=1):
        """A failure prints its reason, pauses, and ends with its status: 1,
        or 2 when there is nothing to drive."""
        output, ended_with = run.finish()
        # The text first, for a readable difference; then every byte.
        self.assertEqual(run.text(), (sjis(text) + PAUSE_PROMPT).decode("cp932"))
        self.assertEqual(output, sjis(text) + PAUSE_PROMPT)
        self.assertEqual(ended_with, status)

    def assert_ends_dark(self, run, board, lamp_bytes=MONITORED):
        """A normal end prints the end message last, sends the lamp's off
        bytes last, and ends with status 0."""
        output, status = run.finish()
        self.assertTrue(output.endswith(sjis(END)), run.text())
        self.assertEqual(status, 0)
        # The board reads on a thread of its own: give it the last bytes.
        wait_for_bytes(board, lamp_bytes + DARK, timeout=2)
        return output

    def run_to_monitoring(self, board, port="COM3", folder=None):
        plug_in(Device(port, UNO, board.path))
        run = self.start(folder)
        run.wait_for(INSTRUCTIONS)
        wait_for_bytes(board, MONITORED)
        return run


class PackageTest(unittest.TestCase):
    def test_the_package_holds_the_program_and_its_files_at_its_root(self):
        with zipfile.ZipFile(PACKAGE) as package:
            self.assertEqual(sorted(package.namelist()),
                             ["LICENSE", "README.md", "arduino_portname.txt", "morvane.exe"])
            for name in ("LICENSE", "README.md", "arduino_portname.txt"):
                with open(os.path.join(SOURCES, name), "rb") as source:
                    self.assertEqual(package.read(name), source.read(), name)
            # A 64-bit Windows program.
            program = package.read("morvane.exe")
            header = int.from_bytes(program[0x3C:0x40], "little")
            self.assertEqual(program[:2], b"MZ")
            self.assertEqual(program[header:header + 6], b"PE\0\0\x64\x86")


class ListFileTest(WineScenario):
    def test_a_missing_list_file_fails_with_its_reason(self):
        os.remove(os.path.join(self.work, "arduino_portname.txt"))
        plug_in(Device("COM3", UNO))
        self.assert_fails_with(self.start(), BANNER + LIST_UNREADABLE, status=2)

    def test_a_list_of_notes_and_empty_lines_counts_as_empty(self):
        self.write_list(b"\xef\xbb\xbf// boards\r\n\r\n//Arduino Uno\r\n\n")
        plug_in(Device("COM3", UNO))
        self.assert_fails_with(self.start(), BANNER + LIST_UNREADABLE, status=2)

    # A device with no port behind it ends each of these runs at the opening,
    # right after the line that shows which entry matched.
    def test_a_byte_order_mark_and_cr_lf_stay_out_of_the_entry(self):
        self.write_list(b"\xef\xbb\xbfArduino Uno\r\n")
        plug_in(Device("COM3", UNO))
        self.assert_fails_with(self.start(), BANNER + found("COM3") + opening("COM3") + OPEN_FAILED)

    def test_a_line_that_is_not_utf8_is_skipped_with_a_warning(self):
        # Line 2 as an editor saving Shift_JIS would write it.
        self.write_list(b"// boards\nArduino \x83\x41 Uno\nArduino Uno")
        plug_in(Device("COM3", UNO))
        self.assert_fails_with(
            self.start(),
            BANNER + "「arduino_portname.txt」の 2 行目はUTF-8として読めないため読み飛ばしました。\n"
            + found("COM3") + opening("COM3") + OPEN_FAILED)


class DiscoveryTest(WineScenario):
    def test_no_listed_device_lists_the_ports_present(self):
        # Entries count exactly as written: letter case and blanks included.
        self.write_list("arduino uno\r\nArduino Uno \r\n".encode())
        plug_in(Device("COM3", "USB シリアル デバイス", vendor="0403", product="6001"),
                Device("COM12", UNO))
        self.assert_fails_with(
            self.start(),
            BANNER + NONE_LISTED + "見つかったシリアルポートの名称は次のとおりです。\n"
            "  COM3 : USB シリアル デバイス\n"
            "  COM12 : Arduino Uno\n",
            status=2)

    def test_no_serial_port_at_all_is_said_so(self):
        plug_in()
        self.assert_fails_with(
            self.start(), BANNER + NONE_LISTED + "シリアルポートがひとつも見つかりませんでした。\n",
            status=2)

    def start_menu(self, first, second):
        plug_in(Device("COM3", UNO, first.path), Device("COM12", UNO, second.path))
        run = self.start()
        run.wait_for(MENU + "[3] COM3 : Arduino Uno\n[12] COM12 : Arduino Uno\n\n")
        return run

    def test_the_menu_numbers_rows_by_port_and_com12_opens(self):
        # Above COM9 a port opens only through the device namespace, \\.\COM12.
        first, second = self.board(), self.board()
        run = self.start_menu(first, second)
        run.type_line("12")
        run.wait_for(INSTRUCTIONS)
        wait_for_bytes(second, MONITORED)
        run.ctrl_c()
        output = self.assert_ends_dark(run, second)
        self.assertEqual(
            output,
            sjis(BANNER + MENU + "[3] COM3 : Arduino Uno\n[12] COM12 : Arduino Uno\n\n"
                 "入力された番号は、12\n選択されたポート番号は、COM12\n"
                 + handshake("COM12") + INSTRUCTIONS + END))
        self.assertFalse(first.opened.is_set())

    def test_a_full_width_number_picks_its_row(self):
        first, second = self.board(), self.board()
        run = self.start_menu(first, second)
        run.type_line("３")
        run.wait_for("入力された番号は、３\n選択されたポート番号は、COM3\n" + handshake("COM3"))
        run.wait_for(INSTRUCTIONS)
        wait_for_bytes(first, MONITORED)
        run.ctrl_c()
        self.assert_ends_dark(run, first)
        self.assertFalse(second.opened.is_set())

    def test_a_number_that_no_row_shows_leaves_no_port_to_open(self):
        first, second = self.board(), self.board()
        run = self.start_menu(first, second)
        run.type_line("5")
        self.assert_fails_with(
            run,
            BANNER + MENU + "[3] COM3 : Arduino Uno\n[12] COM12 : Arduino Uno\n\n"
            + opening("") + OPEN_FAILED)
        self.assertFalse(first.opened.is_set() or second.opened.is_set())


class SerialLineTest(WineScenario):
    def test_a_port_that_cannot_be_opened_fails(self):
        plug_in(Device("COM3", UNO))
        self.assert_fails_with(self.start(), BANNER + found("COM3") + opening("COM3") + OPEN_FAILED)

    def test_a_port_that_is_no_serial_line_fails_its_set_up(self):
        plug_in(Device("COM3", UNO, "/dev/null"))
        self.assert_fails_with(
            self.start(), BANNER + found("COM3") + opened("COM3") + "SET UP FAILED\n")

    def test_another_identity_is_refused_and_the_lamp_left_alone(self):
        board = self.board(identity=b"Lumivantrexia1\r\n")
        plug_in(Device("COM3", UNO, board.path))
        self.assert_fails_with(
            self.start(),
            BANNER + found("COM3") + opened("COM3")
            + "Arduinoから受信した名称は、「Lumivantrexia1」です。\n\n"
            "moduleが「Lumivantrexial」ではなく使えません。\n\nFINISH\n",
            status=2)
        self.assertEqual(bytes(board.received), b"")

    def test_a_silent_board_fails_after_the_deadline(self):
        board = self.board(identity=b"")
        plug_in(Device("COM3", UNO, board.path))
        started = time.monotonic()
        run = self.start()
        self.assert_fails_with(
            run,
            BANNER + found("COM3") + opened("COM3")
            + "Arduinoから名称を受信できませんでした。\nFINISH\n")
        self.assertGreaterEqual(time.monotonic() - started, 5.0)
        self.assertEqual(bytes(board.received), b"")

    def test_a_board_that_hangs_up_makes_the_next_send_fail(self):
        board = self.board()
        run = self.run_to_monitoring(board)
        board.hang_up()
        self.assert_fails_with(run, up_to_monitoring() + "装置に信号を送信できませんでした\n")


class MonitoringTest(WineScenario):
    def test_a_whole_run_prints_in_order_and_ctrl_c_ends_it_dark(self):
        # Started in the unpacked package's folder, with the list file as it
        # ships.
        board = self.board()
        run = self.run_to_monitoring(board, folder=INSTALL_DIR)
        run.ctrl_c()
        output = self.assert_ends_dark(run, board)
        self.assertEqual(output, sjis(up_to_monitoring() + END))

    def test_ctrl_c_before_the_handshake_ends_at_once_and_leaves_the_lamp_alone(self):
        # The system's default handling ends the program: on Windows with
        # STATUS_CONTROL_C_EXIT, under Wine with 0, so the status is not
        # what this checks.
        board = self.board(identity=b"")
        plug_in(Device("COM3", UNO, board.path))
        run = self.start()
        run.wait_for(opened("COM3"))
        run.ctrl_c()
        output, _ = run.finish()
        self.assertEqual(output, sjis(BANNER + found("COM3") + opened("COM3")))
        self.assertEqual(bytes(board.received), b"")

    def test_shift_esc_ends_it_dark_and_esc_alone_does_not(self):
        board = self.board()
        run = self.run_to_monitoring(board)
        run_helper("press_keys.exe", "esc")
        self.assertTrue(run.still_running_after(0.5))
        run_helper("press_keys.exe", "shift+esc")
        output = self.assert_ends_dark(run, board)
        self.assertEqual(output, sjis(up_to_monitoring() + END))

    def test_caps_lock_adds_red_while_it_is_on(self):
        board = self.board()
        run = self.run_to_monitoring(board)
        self.press_caps_lock()
        wait_for_bytes(board, rb"r+R{3,}")
        self.press_caps_lock()
        wait_for_bytes(board, rb"r+R{3,}r{3,}")
        run.ctrl_c()
        self.assert_ends_dark(run, board, rb"r+R{3,}r{3,}")

    def press_caps_lock(self):
        run_helper("press_keys.exe", "capslock")
        # Caps Lock belongs to the whole desktop: whatever happens here, the
        # next scenario starts with it off.
        self.caps_lock_on = not getattr(self, "caps_lock_on", False)
        if self.caps_lock_on:
            self.addCleanup(self.turn_caps_lock_off)

    def turn_caps_lock_off(self):
        if self.caps_lock_on:
            self.press_caps_lock()

    def test_the_screen_saver_keeps_the_lamp_dark_and_is_announced_each_time(self):
        # Each cycle while it runs sends the off bytes alone and waits half a
        # second; the Caps Lock byte comes back when it ends.
        board = self.board()
        run = self.run_to_monitoring(board)
        self.addCleanup(clear_screen_saver_flag)
        lamp = MONITORED
        for _ in range(2):
            run_helper("set_screen_saver.exe", "morvane.exe", "on")
            lamp += rb"(?:rgb){2,}"
            wait_for_bytes(board, lamp)
            run_helper("set_screen_saver.exe", "morvane.exe", "off")
            lamp += rb"r{3,}"
            wait_for_bytes(board, lamp)
        run.ctrl_c()
        output = self.assert_ends_dark(run, board, lamp)
        self.assertEqual(output, sjis(up_to_monitoring() + SAVER + SAVER + END))

    def test_log_off_and_shut_down_end_it_dark(self):
        for ending in ("logoff", "shutdown"):
            with self.subTest(ending=ending):
                board = self.board()
                run = self.run_to_monitoring(board)
                run_helper("end_session.exe", "morvane.exe", ending)
                output = self.assert_ends_dark(run, board)
                self.assertEqual(output, sjis(up_to_monitoring() + END))
                board.close()


if __name__ == "__main__":
    unittest.main()
