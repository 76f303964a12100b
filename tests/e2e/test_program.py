"""The real program against fake boards on pseudo-terminals."""

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
NO_DISPLAY = "Xのディスプレイに接続できないため、Caps Lockと[Shift]キー + [Esc]キーは使えません。\n"


class ProgramTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.work = self.folder.name
        self.sysfs = os.path.join(self.work, "sys")
        self.boards = []
        self.write_list("// boards\nArduino Uno\n")

    def tearDown(self):
        for board in self.boards:
            board.close()
        self.folder.cleanup()

    def write_list(self, text):
        with open(os.path.join(self.work, "arduino_portname.txt"), "w") as f:
            f.write(text)

    def boards_present(self, *boards):
        """boards: (product, FakeBoard) pairs, shown as ttyACM0, ttyACM1, ..."""
        ports = []
        for index, (product, board) in enumerate(boards):
            self.boards.append(board)
            ports.append((f"ttyACM{index}", product, board.path))
        make_sysfs(self.sysfs, ports)

    def start(self):
        return start_program(BINARY, self.work, self.sysfs)

    def finish(self, process, stdin_text="", timeout=15):
        out, err = process.communicate(input=stdin_text.encode(), timeout=timeout)
        self.assertEqual(err, b"")
        return out.decode("utf-8")

    def test_a_matching_board_is_driven_until_sigint_ends_it_dark(self):
        board = FakeBoard()
        self.boards_present(("Arduino Uno", board))
        process = self.start()
        seen = wait_for_output(process, INSTRUCTIONS)
        process.send_signal(signal.SIGINT)
        out = seen + self.finish(process)
        self.assertEqual(process.returncode, 0)
        self.assertEqual(
            out,
            "IMEのモードにより色を変えます。\n"
            f"見つけたポート番号は、{board.path}\n"
            f"ポート番号「{board.path}」を開きます。\n"
            "モジュールが適切に見つかりました。\n"
            "Arduinoから受信した名称は、「Lumivantrexial」です。\n\n"
            + INSTRUCTIONS
            + "[×]ボタンを押してこのウィンドウを閉じてしまうと終了してしまいますので、"
            "このウィンドウが邪魔な場合は[－]ボタンを押して最小化してください。\n\n" + NO_DISPLAY + END,
        )
        time.sleep(0.2)
        self.assertEqual(bytes(board.received), b"rgb")

    def test_sigterm_and_sighup_end_like_sigint(self):
        for ending in (signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=ending.name):
                board = FakeBoard()
                self.boards = []
                make_sysfs(os.path.join(self.work, ending.name), [("ttyACM0", "Arduino Uno", board.path)])
                self.boards.append(board)
                process = start_program(BINARY, self.work, os.path.join(self.work, ending.name))
                wait_for_output(process, INSTRUCTIONS)
                process.send_signal(ending)
                self.assertTrue(self.finish(process).endswith(END))
                self.assertEqual(process.returncode, 0)
                time.sleep(0.2)
                self.assertEqual(bytes(board.received), b"rgb")
                board.close()

    def test_another_identity_is_refused_and_the_lamp_left_alone(self):
        board = FakeBoard(identity=b"Lumivantrexia1\r\n")
        self.boards_present(("Arduino Uno", board))
        process = self.start()
        out = self.finish(process)
        self.assertIn("Arduinoから受信した名称は、「Lumivantrexia1」です。\n\n"
                      "moduleが「Lumivantrexial」ではなく使えません。\n\nFINISH\n", out)
        self.assertTrue(out.endswith("続行するには何かキーを押してください . . . \n"))
        self.assertEqual(process.returncode, 2)
        self.assertEqual(bytes(board.received), b"")

    def test_a_silent_board_fails_after_the_deadline(self):
        board = FakeBoard(identity=b"")
        self.boards_present(("Arduino Uno", board))
        started = time.monotonic()
        process = self.start()
        out = self.finish(process)
        self.assertGreaterEqual(time.monotonic() - started, 4.5)
        self.assertIn("Arduinoから名称を受信できませんでした。\nFINISH\n", out)
        self.assertEqual(process.returncode, 1)

    def test_a_board_that_hangs_up_makes_the_next_send_fail(self):
        board = FakeBoard()
        self.boards_present(("Arduino Uno", board))
        process = self.start()
        wait_for_output(process, INSTRUCTIONS)
        board.hang_up()
        process.send_signal(signal.SIGINT)
        out = self.finish(process)
        self.assertTrue(out.endswith(END + "装置に信号を送信できませんでした\n"
                                     "続行するには何かキーを押してください . . . \n"), out)
        self.assertEqual(process.returncode, 1)

    def test_two_matches_show_the_menu_and_open_the_typed_choice(self):
        first, second = FakeBoard(), FakeBoard()
        self.boards_present(("Arduino Uno", first), ("Arduino Uno", second))
        process = self.start()
        menu = wait_for_output(process, " : Arduino Uno\n\n")
        process.stdin.write(b"2\n")
        process.stdin.flush()
        seen = menu + wait_for_output(process, INSTRUCTIONS)
        self.assertIn(f"[1] {first.path} : Arduino Uno\n[2] {second.path} : Arduino Uno\n", seen)
        self.assertIn(f"選択されたポート番号は、{second.path}\n", seen)
        process.send_signal(signal.SIGINT)
        self.finish(process)
        time.sleep(0.2)
        self.assertEqual(bytes(second.received), b"rgb")
        self.assertEqual(bytes(first.received), b"")

    def test_no_listed_board_lists_the_ports_present(self):
        board = FakeBoard()
        self.boards_present(("USB Serial", board))
        process = self.start()
        out = self.finish(process)
        self.assertIn("見つかったシリアルポートの名称は次のとおりです。\n"
                      f"  {board.path} : USB Serial\n", out)
        self.assertEqual(process.returncode, 2)

    def test_a_missing_list_file_fails_with_its_messages(self):
        os.remove(os.path.join(self.work, "arduino_portname.txt"))
        process = self.start()
        out = self.finish(process)
        self.assertIn("Arduinoのシリアルポート名一覧が読み込めませんでした。\n", out)
        self.assertEqual(process.returncode, 2)

    def test_a_port_in_use_cannot_be_opened(self):
        board = FakeBoard()
        self.boards_present(("Arduino Uno", board))
        holder = self.start()
        wait_for_output(holder, INSTRUCTIONS)
        second = self.start()
        out = self.finish(second)
        self.assertIn("入力されたCOMポート番号が開けません。\n", out)
        self.assertEqual(second.returncode, 1)
        holder.send_signal(signal.SIGINT)
        self.finish(holder)


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(__file__))
    unittest.main()
