#include "app/startup.h"

#include <string>
#include <string_view>

#include "app/end_routines.h"
#include "app/globals.h"
#include "discovery/list_file.h"
#include "discovery/port_selection.h"
#include "monitor/monitor_loop.h"
#include "platform/platform.h"
#include "serial/lamp_protocol.h"
#include "serial/serial_port.h"

namespace {

constexpr std::uint32_t kErrorProcessModeAlreadyBackground = 402;

void LowerPriority() {
  platform::SystemError error;
  if (platform::LowerPriority(error)) return;
  if (error.code == kErrorProcessModeAlreadyBackground) {
    platform::WriteText("(ERROR_PROCESS_MODE_ALREADY_BACKGROUND\n");
  }
  platform::WriteText(ReasonLine(error));
  FinishAndExit();
}

void NoteWhatTheKeyboardLacks(platform::KeyboardReach reach) {
  switch (reach) {
    case platform::KeyboardReach::Full:
    case platform::KeyboardReach::NoConsoleWindow:
      return;
    case platform::KeyboardReach::NoDisplay:
      platform::WriteText(
          "Xのディスプレイに接続できないため、Caps Lockと[Shift]キー + [Esc]キーは使えません。\n");
      return;
    case platform::KeyboardReach::Wayland: {
      const std::string_view howToEnd =
          platform::StartedAsService()
              ? "終了するには systemctl --user stop morvane を実行してください。\n"
              : "終了するにはCtrl+Cを押してください。\n";
      platform::WriteText(
          std::string("Waylandでは[Shift]キー + [Esc]キーは使えません。").append(howToEnd));
      return;
    }
  }
}

// Started as a task there is no window to close and no Shift+Esc: the
// instructions would mislead, and the task's own way to end it takes their
// place.
void TellHowToEnd() {
  const platform::KeyboardReach reach = platform::ReachOfKeyboard();
  if (reach == platform::KeyboardReach::NoConsoleWindow) {
    platform::WriteText(
        "タスク スケジューラのタスクとして実行しています。[Shift]キー + [Esc]キーは使えません。"
        "終了するには、スタートメニューの「morvane を停止」を選ぶか、morvane-task stop "
        "を実行してください。\n\n");
    return;
  }
  platform::WriteText(
      "[Shift]キー + [Esc]キーを合わせて押すと終了します。\n\n"
      "[×]"
      "ボタンを押してこのウィンドウを閉じてしまうと終了してしまいますので、このウィンドウが邪魔な場"
      "合は"
      "[－]ボタンを押して最小化してください。\n\n");
  NoteWhatTheKeyboardLacks(reach);
}

void InstallHandler(MonitorLocals& locals) {
  locals.bSaverMsgShown = false;
  // Without the handler, closing the window would end the program with the
  // lamp lit.
  platform::SystemError error;
  if (!platform::InstallEventHandler(HandlerRoutine, error)) {
    FailWithLampOff("SetConsoleCtrlHandler FAILED\n", error);
  }
  platform::WatchAway(hComm);
  TellHowToEnd();
}

}  // namespace

void RunProgram() {
  platform::WriteText("IMEのモードにより色を変えます。\n");
  LoadArduinoNameList();
  EnumerateSerialPorts();
  if (!SelectSerialPort()) FailAndExit(DescribePortsPresent(), kStatusNothingToDrive);
  LowerPriority();
  OpenSerialPort();
  CheckModuleName();
  MonitorLocals locals;
  InstallHandler(locals);
  RunMonitorLoop(locals);
}
