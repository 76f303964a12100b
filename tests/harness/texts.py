"""What the program prints, to the letter, as UTF-8 text with LF line ends.

Under Wine the same texts arrive in Shift_JIS with CR LF (tests/wine converts
them). The functions fill in what a message names: a port, a number, a name.
"""

# The name the lamp answers with, and the only one the program accepts.
IDENTITY = "Lumivantrexial"

BANNER = "IMEのモードにより色を変えます。\n"
HOW_TO_END = "[Shift]キー + [Esc]キーを合わせて押すと終了します。\n\n"
KEEP_THE_WINDOW = (
    "[×]ボタンを押してこのウィンドウを閉じてしまうと終了してしまいますので、"
    "このウィンドウが邪魔な場合は[－]ボタンを押して最小化してください。\n\n")
INSTRUCTIONS = HOW_TO_END + KEEP_THE_WINDOW
NO_DISPLAY = "Xのディスプレイに接続できないため、Caps Lockと[Shift]キー + [Esc]キーは使えません。\n"
NO_SHIFT_ESC_ON_WAYLAND = "Waylandでは[Shift]キー + [Esc]キーは使えません。"
WAYLAND_HOW_TO_END = NO_SHIFT_ESC_ON_WAYLAND + "終了するにはCtrl+Cを押してください。\n"
# Under Wayland, as a systemd service (INVOCATION_ID set).
WAYLAND_SERVICE_HOW_TO_END = (
    NO_SHIFT_ESC_ON_WAYLAND + "終了するには systemctl --user stop morvane を実行してください。\n")
# On Windows, started by Task Scheduler through morvane-task: in place of
# the instructions.
AS_A_TASK = (
    "タスク スケジューラのタスクとして実行しています。[Shift]キー + [Esc]キーは使えません。"
    "終了するには、スタートメニューの「morvane を停止」を選ぶか、morvane-task stop を実行してください。\n\n")
END = "\n終了しました。\n"

IME_ON = "IMEがONです。\n"
IME_OFF = "IMEがOFFで、半角英数モードです。\n"
SAVER = "スクリーンセイバーが起動しました。\n"
# Nobody at the computer: each period is announced once as it begins.
LOCKED = "画面がロックされました。\n"
SLEEPING = "スリープに入ります。\n"

# morvane-probe: its first line, and how its summary at the end begins.
PROBE_BANNER = ("morvane-probe: morvaneが読み取る状態を、変わるたびに1行で表示します。"
                "Ctrl+Cで終了します。\n")
PROBE_SUMMARY = "終了します。"
PROBE_ALL_READ = "すべて読めました。"
# Each line's time stamp, before what it read.
PROBE_TIME_STAMP = r"^\d\d:\d\d:\d\d\.\d{3}  Caps Lock="

# The list file and the ports present.
LIST_UNREADABLE = (
    "Arduinoのシリアルポート名一覧が読み込めませんでした。\n"
    "「arduino_portname.txt」ファイルが同じ階層に存在して、かつ中身があることを確認してください。\n")
NONE_LISTED = (
    "Arduino(互換機含む)がひとつも見つかりませんでした。\n"
    "接続されているのにこのエラーが出る場合は、「arduino_portname.txt」ファイルが同じ階層に存在し"
    "て、かつ記載があることを確認してください。\n")
PORTS_PRESENT = "見つかったシリアルポートの名称は次のとおりです。\n"
NO_SERIAL_PORT = "シリアルポートがひとつも見つかりませんでした。\n"
MENU = (
    "\nふたつ以上のArduino(互換機含む)が見つかりました。\n"
    "どれを使うか選択してください。\n"
    "数字を入力して[Enter]キーを押してください。\n\n")
# The menu's end when nobody can type a number (a service, an input at its end).
NOBODY_TO_CHOOSE = (
    "番号が入力されないため、どのArduino(互換機含む)を使うか選べません。\n"
    "「arduino_portname.txt」には使うボードをひとつだけ記載してください"
    "(同じ名称のボードが複数あるときは、ひとつだけ接続してください)。\n")

# The serial line and the handshake.
MODULE_FOUND = "モジュールが適切に見つかりました。\n"
OPEN_FAILED = "入力されたCOMポート番号が開けません。\n"
SET_UP_FAILED = "SET UP FAILED\n"
RECEIVE_FAILED = "Recept FAILED\n"
SEND_FAILED = "装置に信号を送信できませんでした\n"
NO_IDENTITY = "Arduinoから名称を受信できませんでした。\n"
NOT_THE_LAMP = f"moduleが「{IDENTITY}」ではなく使えません。\n\n"
FINISH = "FINISH\n"
# The Linux program's pause after a failure, its input at an end.
PAUSE = "続行するには何かキーを押してください . . . \n"


# What begins the line after the message of a failed system call.
REASON = "理由: "


def reason(text):
    """That line, with the system's own text (on Linux strerror's, as
    os.strerror gives it)."""
    return f"{REASON}{text}\n"


def skipped_line(number):
    return f"「arduino_portname.txt」の {number} 行目はUTF-8として読めないため読み飛ばしました。\n"


def port_present(port, name):
    return f"  {port} : {name}\n"


def menu_row(number, port, name):
    return f"[{number}] {port} : {name}\n"


def typed(number):
    return f"入力された番号は、{number}\n"


def selected(port):
    return f"選択されたポート番号は、{port}\n"


def found(port):
    return f"見つけたポート番号は、{port}\n"


def opening(port):
    return f"ポート番号「{port}」を開きます。\n"


def opened(port):
    return opening(port) + MODULE_FOUND


def named(identity):
    return f"Arduinoから受信した名称は、「{identity}」です。\n\n"


def handshake(port):
    """From the opening of the port to the lamp's name."""
    return opened(port) + named(IDENTITY)
