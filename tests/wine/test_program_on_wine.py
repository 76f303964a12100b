"""The real Windows program under Wine, against fake boards on pseudo-terminals.

Every end of the program that Wine can bring about, with its messages and its
exit status, as the redirected output carries them: Shift_JIS, CR LF.
"""

import os
import re
import tempfile
import time
import unittest
import zipfile

from harness.board import UNO, FakeBoard
from harness.texts import (
    BANNER, END, FINISH, INSTRUCTIONS, LIST_UNREADABLE, LOCKED, MENU, NO_IDENTITY, NO_SERIAL_PORT,
    NOBODY_TO_CHOOSE, NONE_LISTED, NOT_THE_LAMP, OPEN_FAILED, PORTS_PRESENT, PROBE_ALL_READ,
    PROBE_BANNER, PROBE_SUMMARY, PROBE_TIME_STAMP, REASON, SAVER, SEND_FAILED, SET_UP_FAILED,
    SLEEPING, found, handshake, menu_row, named, opened, opening, port_present, selected,
    skipped_line, typed)
from program_run import PAUSE_PROMPT, ProgramRun, sjis
from wine_machine import (
    Device, clear_screen_saver_flag, install_dir, package, plug_in, probe, run_helper)

SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

# Bytes to the lamp while it is monitored with Caps Lock off: the red-off
# byte each cycle (Wine shows no input method to read). Every end after the
# handshake switches the lamp dark last.
MONITORED = rb"r+"
DARK = rb"rgb"

# The program drops whatever came before its purge, right after the open:
# the board speaks well after it, even on a busy machine.
IDENTITY_DELAY_S = 0.5


# The menu of two Unos, on COM3 and COM12.
TWO_UNOS = MENU + menu_row(3, "COM3", UNO) + menu_row(12, "COM12", UNO) + "\n"


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

    def start(self, folder=None, windows_program=None):
        run = ProgramRun(folder or self.work, windows_program)
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

    def assert_system_call_fails_with(self, run, text):
        """A failed system call: as assert_fails_with, with the system's own
        text on a line of its own after the message, as Wine words it."""
        output, ended_with = run.finish()
        self.assertRegex(output, b"".join((
            rb"\A", re.escape(sjis(text + REASON)), rb"[^\r\n]*\S[^\r\n]*\r\n",
            re.escape(PAUSE_PROMPT), rb"\Z")), run.text())
        self.assertEqual(ended_with, 1)

    def assert_ends_dark(self, run, board, lamp_bytes=MONITORED):
        """A normal end prints the end message last, sends the lamp's off
        bytes last, and ends with status 0."""
        output, status = run.finish()
        self.assertTrue(output.endswith(sjis(END)), run.text())
        self.assertEqual(status, 0)
        # The board reads on a thread of its own: give it the last bytes.
        board.wait_for_bytes(lamp_bytes + DARK, timeout=2)
        return output

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

    def run_to_monitoring(self, board, port="COM3", folder=None):
        plug_in(Device(port, UNO, board.path))
        run = self.start(folder)
        run.wait_for(INSTRUCTIONS)
        board.wait_for_bytes(MONITORED)
        return run


class PackageTest(unittest.TestCase):
    def test_the_package_holds_the_program_and_its_files_at_its_root(self):
        with zipfile.ZipFile(package()) as unpacked:
            self.assertEqual(sorted(unpacked.namelist()),
                             ["LICENSE", "README-ja.txt", "README.md", "arduino_portname.txt",
                              "morvane-probe.exe", "morvane.exe"])
            for name in ("LICENSE", "README.md", "arduino_portname.txt"):
                with open(os.path.join(SOURCES, name), "rb") as source:
                    self.assertEqual(unpacked.read(name), source.read(), name)
            # A 64-bit Windows program.
            program = unpacked.read("morvane.exe")
            header = int.from_bytes(program[0x3C:0x40], "little")
            self.assertEqual(program[:2], b"MZ")
            self.assertEqual(program[header:header + 6], b"PE\0\0\x64\x86")


class PlatformTest(unittest.TestCase):
    def test_the_windows_platform_code_passes_its_own_tests(self):
        # The input method of a hung window and of the focused one, and the
        # line's DCB: platform/, a Windows program of its own.
        run_helper("platform_test.exe", timeout=60)


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
        self.assert_system_call_fails_with(
            self.start(), BANNER + found("COM3") + opening("COM3") + OPEN_FAILED)

    def test_a_line_that_is_not_utf8_is_skipped_with_a_warning(self):
        # Line 2 as an editor saving Shift_JIS would write it.
        self.write_list(b"// boards\nArduino \x83\x41 Uno\nArduino Uno")
        plug_in(Device("COM3", UNO))
        self.assert_system_call_fails_with(
            self.start(),
            BANNER + skipped_line(2) + found("COM3") + opening("COM3") + OPEN_FAILED)


class DiscoveryTest(WineScenario):
    def test_no_listed_device_lists_the_ports_present(self):
        # Entries count exactly as written: letter case and blanks included.
        self.write_list("arduino uno\r\nArduino Uno \r\n".encode())
        plug_in(Device("COM3", "USB シリアル デバイス", vendor="0403", product="6001"),
                Device("COM12", UNO))
        self.assert_fails_with(
            self.start(),
            BANNER + NONE_LISTED + PORTS_PRESENT + port_present("COM3", "USB シリアル デバイス")
            + port_present("COM12", UNO), status=2)

    def test_friendly_names_are_read_by_the_size_the_system_gives(self):
        # A name without its NUL must not pick up the tail of the longer name
        # before it in the buffer; one that fills the buffer is too long.
        longer = "Arduino Uno R3 " + "x" * 200
        too_long = "y" * (256 - len(" (COM5)"))
        self.write_list(b"Arduino Mega\r\n")
        plug_in(Device("COM3", longer), Device("COM4", UNO, name_stored="bytes"),
                Device("COM5", too_long, name_stored="unterminated"))
        self.assert_fails_with(
            self.start(),
            BANNER + NONE_LISTED + PORTS_PRESENT + port_present("COM3", longer)
            + port_present("COM4", UNO), status=2)

    def test_no_serial_port_at_all_is_said_so(self):
        plug_in()
        self.assert_fails_with(
            self.start(), BANNER + NONE_LISTED + NO_SERIAL_PORT, status=2)

    def start_menu(self, first, second):
        plug_in(Device("COM3", UNO, first.path), Device("COM12", UNO, second.path))
        run = self.start()
        run.wait_for(TWO_UNOS)
        return run

    def test_the_menu_numbers_rows_by_port_and_com12_opens(self):
        # Above COM9 a port opens only through the device namespace, \\.\COM12.
        first, second = self.board(), self.board()
        run = self.start_menu(first, second)
        run.type_line("12")
        run.wait_for(INSTRUCTIONS)
        second.wait_for_bytes(MONITORED)
        run.ctrl_c()
        output = self.assert_ends_dark(run, second)
        self.assertEqual(
            output,
            sjis(BANNER + TWO_UNOS + typed(12) + selected("COM12") + handshake("COM12")
                 + INSTRUCTIONS + END))
        self.assertFalse(first.opened.is_set())

    def test_a_full_width_number_picks_its_row(self):
        first, second = self.board(), self.board()
        run = self.start_menu(first, second)
        run.type_line("３")
        run.wait_for(typed("３") + selected("COM3") + handshake("COM3"))
        run.wait_for(INSTRUCTIONS)
        first.wait_for_bytes(MONITORED)
        run.ctrl_c()
        self.assert_ends_dark(run, first)
        self.assertFalse(second.opened.is_set())

    def test_the_menu_with_no_input_opens_no_port(self):
        first, second = self.board(), self.board()
        run = self.start_menu(first, second)
        # finish closes the input before any line is typed.
        self.assert_fails_with(run, BANNER + TWO_UNOS + NOBODY_TO_CHOOSE, status=2)
        self.assertFalse(first.opened.is_set() or second.opened.is_set())

    def test_a_number_that_no_row_shows_leaves_no_port_to_open(self):
        first, second = self.board(), self.board()
        run = self.start_menu(first, second)
        run.type_line("5")
        self.assert_system_call_fails_with(run, BANNER + TWO_UNOS + opening("") + OPEN_FAILED)
        self.assertFalse(first.opened.is_set() or second.opened.is_set())


class SerialLineTest(WineScenario):
    def test_a_port_that_cannot_be_opened_fails(self):
        plug_in(Device("COM3", UNO))
        self.assert_system_call_fails_with(
            self.start(), BANNER + found("COM3") + opening("COM3") + OPEN_FAILED)

    def test_a_port_that_is_no_serial_line_fails_its_set_up(self):
        plug_in(Device("COM3", UNO, "/dev/null"))
        self.assert_system_call_fails_with(
            self.start(), BANNER + found("COM3") + opened("COM3") + SET_UP_FAILED)

    def test_the_line_is_set_whole_whatever_another_program_left(self):
        # What a pseudo-terminal can hold; DTR, RTS and abort-on-error are
        # checked on the DCB itself (platform/lamp_line_record_test.cpp).
        board = self.board(hold_slave=True)
        board.set_line_as_another_program_left_it()
        run = self.run_to_monitoring(board)
        self.assertEqual(board.line(), "9600 8N1")
        run.ctrl_c()
        self.assert_ends_dark(run, board)

    def test_another_identity_is_refused_and_the_lamp_left_alone(self):
        board = self.board(identity=b"Lumivantrexia1\r\n")
        plug_in(Device("COM3", UNO, board.path))
        self.assert_fails_with(
            self.start(),
            BANNER + found("COM3") + opened("COM3") + named("Lumivantrexia1") + NOT_THE_LAMP
            + FINISH, status=2)
        self.assertEqual(bytes(board.received), b"")

    def test_a_silent_board_fails_after_the_deadline(self):
        board = self.board(identity=b"")
        plug_in(Device("COM3", UNO, board.path))
        started = time.monotonic()
        run = self.start()
        self.assert_fails_with(
            run,
            BANNER + found("COM3") + opened("COM3") + NO_IDENTITY + FINISH, status=2)
        self.assertGreaterEqual(time.monotonic() - started, 5.0)
        self.assertEqual(bytes(board.received), b"")

    def test_a_board_that_hangs_up_makes_the_next_send_fail(self):
        board = self.board()
        run = self.run_to_monitoring(board)
        board.hang_up()
        self.assert_system_call_fails_with(run, up_to_monitoring() + SEND_FAILED)


class MonitoringTest(WineScenario):
    def test_a_whole_run_prints_in_order_and_ctrl_c_ends_it_dark(self):
        # Started in the unpacked package's folder, with the list file as it
        # ships.
        board = self.board()
        run = self.run_to_monitoring(board, folder=install_dir())
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

    def test_shift_esc_ends_it_dark_and_esc_alone_or_with_ctrl_does_not(self):
        board = self.board()
        run = self.run_to_monitoring(board)
        run_helper("press_keys.exe", "esc")
        self.assertTrue(run.still_running_after(0.5))
        # Task Manager's shortcut.
        run_helper("press_keys.exe", "ctrl+shift+esc")
        self.assertTrue(run.still_running_after(0.5))
        run_helper("press_keys.exe", "shift+esc")
        output = self.assert_ends_dark(run, board)
        self.assertEqual(output, sjis(up_to_monitoring() + END))

    def test_caps_lock_adds_red_while_it_is_on(self):
        board = self.board()
        run = self.run_to_monitoring(board)
        self.press_caps_lock()
        board.wait_for_bytes(rb"r+R{3,}")
        self.press_caps_lock()
        board.wait_for_bytes(rb"r+R{3,}r{3,}")
        run.ctrl_c()
        self.assert_ends_dark(run, board, rb"r+R{3,}r{3,}")

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
            board.wait_for_bytes(lamp)
            run_helper("set_screen_saver.exe", "morvane.exe", "off")
            lamp += rb"r{3,}"
            board.wait_for_bytes(lamp)
        run.ctrl_c()
        output = self.assert_ends_dark(run, board, lamp)
        self.assertEqual(output, sjis(up_to_monitoring() + SAVER + SAVER + END))

    def test_a_locked_session_a_console_left_and_sleep_keep_the_lamp_dark(self):
        # While away each cycle sends the off bytes alone, as for the screen
        # saver; each period is announced once, and nothing when it ends. A
        # resume that never comes (Modern Standby's, early after log-on): the
        # unlock ends the sleep.
        board = self.board()
        run = self.run_to_monitoring(board)
        lamp = MONITORED
        for leave, back in (("lock", "unlock"), ("disconnect", "connect"),
                            ("suspend", "resume"), ("suspend", "unlock")):
            with self.subTest(leave):
                handled = run_helper("tell_away.exe", "morvane.exe", leave)
                if leave == "suspend":
                    # Handled only once the program had written its lamp-off.
                    taken = re.findall(rb"[0-9]+\.[0-9]", handled)[-1].decode()
                    print(f"\nPBT_APMSUSPEND to the last of r, g, b written: {taken} ms")
                lamp += rb"(?:rgb){3,}"
                board.wait_for_bytes(lamp)
                run_helper("tell_away.exe", "morvane.exe", back)
                lamp += rb"r{3,}"
                board.wait_for_bytes(lamp)
        run.ctrl_c()
        output = self.assert_ends_dark(run, board, lamp)
        self.assertEqual(
            output, sjis(up_to_monitoring() + LOCKED + LOCKED + SLEEPING + SLEEPING + END))

    def test_the_session_window_thread_is_time_critical_and_polling_stays_idle(self):
        # Sleep's lamp-off and the session's end come from the window's
        # thread, which an idle-class thread's priority could leave waiting
        # seconds under load.
        board = self.board()
        run = self.run_to_monitoring(board)
        printed = run_helper("thread_priorities.exe", "morvane.exe")
        priority_class, window, *others = re.findall(
            rb"^0x[0-9a-f]+(?: -?[0-9]+)+", printed, re.M)[-1].split()
        self.assertEqual(priority_class, b"0x40")  # IDLE_PRIORITY_CLASS
        self.assertEqual(window, b"15")  # THREAD_PRIORITY_TIME_CRITICAL
        self.assertTrue(others and all(int(other) <= 0 for other in others), printed)
        run.ctrl_c()
        self.assert_ends_dark(run, board)

    def test_log_off_and_shut_down_end_it_dark(self):
        for ending in ("logoff", "shutdown"):
            with self.subTest(ending=ending):
                board = self.board()
                run = self.run_to_monitoring(board)
                run_helper("end_session.exe", "morvane.exe", ending)
                output = self.assert_ends_dark(run, board)
                self.assertEqual(output, sjis(up_to_monitoring() + END))
                board.close()

    def test_log_off_during_a_failures_pause_ends_it_with_the_failures_status(self):
        # The session window, made as the pause begins, hears it at once.
        plug_in(Device("COM3", UNO))
        run = self.start()
        run.wait_for(opening("COM3") + OPEN_FAILED)
        run_helper("end_session.exe", "morvane.exe", "logoff")
        self.assertFalse(run.still_running_after(5), run.text())
        _, status = run.finish()
        self.assertEqual(status, 1)


class ProbeTest(WineScenario):
    def test_the_probe_shows_each_change_and_ends_with_its_summary(self):
        run = self.start(windows_program=probe())
        run.wait_for(PROBE_BANNER)
        run.wait_for("Caps Lock=オフ [GetKeyState(VK_CAPITAL): 0x0]")
        self.press_caps_lock()
        run.wait_for("Caps Lock=オン [GetKeyState(VK_CAPITAL): 0x1]")
        self.addCleanup(clear_screen_saver_flag)
        run_helper("set_screen_saver.exe", "morvane-probe.exe", "on")
        run.wait_for("スクリーンセイバー=動作中 [SPI_GETSCREENSAVERRUNNING: 1]")
        # Wine gives an IME window only to the probe's own windows.
        run_helper("show_window.exe", "morvane-probe.exe")
        run.wait_for('IME=オフ [GetForegroundWindow: "morvane.test.window" (morvane-probe.exe), '
                     'GetGUIThreadInfo: "morvane.test.window", ImmGetDefaultIMEWnd: "IME", '
                     "IMC_GETOPENSTATUS: 0, IMC_GETCONVERSIONMODE: 0x0]")
        run.ctrl_c()
        _, status = run.finish()
        self.assertEqual(status, 0)
        lines = run.text().split("\r\n")
        readings = lines[1:-2]
        for line in readings:
            self.assertRegex(line, PROBE_TIME_STAMP)
        # A line only for a change.
        shown = [line[len("00:00:00.000"):] for line in readings]
        self.assertEqual(len(set(shown)), len(shown), shown)
        self.assertRegex(lines[-2], "^" + PROBE_SUMMARY + r"\d+回読み取り、" + PROBE_ALL_READ + "$")


if __name__ == "__main__":
    unittest.main()
