#include "serial/serial_port.h"

#include "app/end_routines.h"
#include "app/globals.h"
#include "serial/line_assembly.h"
#include "text/utf.h"

namespace {

void EndUnlessSent(bool sent, const platform::SystemError& error) {
  bResult = sent;
  if (!bResult) FailAndExit("装置に信号を送信できませんでした\n", error);
}

std::string OpenFailureMessage(const std::string& shownPort, const platform::OpenFailure& failure) {
  std::string message = "入力されたCOMポート番号が開けません。\n" + ReasonLine(failure.error);
  if (!failure.permissionDenied) return message;
  message += "「" + shownPort + "」を開く権限がありません。";
  if (!failure.accessRule.empty()) {
    // Plugged in before the rule was installed, the board has not had it yet.
    message += "udevの規則「" + failure.accessRule +
               "」が、ログインしている利用者に開く権限を与えます。まずボードを抜いて差し直して"
               "ください。それでも開けないときは、";
  }
  const std::string group =
      failure.ownerGroup.empty() ? "dialout" : text::TerminalSafe(failure.ownerGroup);
  message += "グループ「" + group + "」に加わってください（sudo usermod -aG " + group +
             " $USER を実行し、ログインし直してください）。\n";
  return message;
}

void SetPortTimeouts(std::uint32_t readTotalMs) {
  platform::SystemError error;
  bResult = platform::SetTimeouts(
      hComm, {.readTotalMs = readTotalMs, .writeTotalMs = kWriteTimeoutMs}, error);
  if (!bResult) FailAndExit("SetCommTimeouts FAILED\n", error);
}

}  // namespace

void OpenSerialPort() {
  const std::string port = text::Utf16ToUtf8(strCOMport);
  // The name comes from the system or a device: shown, it steers no terminal.
  const std::string shownPort = text::TerminalSafe(port);
  platform::WriteText("ポート番号「" + shownPort + "」を開きます。\n");

  platform::OpenFailure failure;
  hComm = platform::OpenPort(port, failure);
  if (hComm == platform::kNoPort) FailAndExit(OpenFailureMessage(shownPort, failure));
  platform::WriteText("モジュールが適切に見つかりました。\n");

  platform::SystemError error;
  bResult = platform::SetQueueSizes(hComm, kQueueBytes, kQueueBytes, error);
  if (!bResult) FailAndExit("SET UP FAILED\n", error);
  // Whatever the board sent before this point is stale.
  bResult = platform::PurgePort(hComm, error);
  if (!bResult) FailAndExit("CLEAR FAILED\n", error);
  bResult = platform::ApplyLineSettings(hComm, kLampLine, error);
  if (!bResult) FailAndExit("SetCommState FAILED\n", error);
  SetPortTimeouts(0);
}

void SendCommand(char command) {
  platform::SystemError error;
  EndUnlessSent(platform::WriteByte(hComm, command, error), error);
}

void SendStateCommand(char command) {
  platform::SystemError error;
  EndUnlessSent(platform::WriteStateByte(hComm, command, error), error);
}

std::optional<std::string> ReceiveLine(std::uint64_t deadlineMs) {
  std::string strRet;
  // Past the deadline the bytes already waiting are still read, with the
  // shortest wait, so that a program held up meanwhile (stopped, or starved of
  // the processor) judges what the board sent in time; a board that goes on
  // sending is cut off after what one receive queue holds.
  std::uint32_t lateBytes = 0;
  for (;;) {
    const std::uint64_t now = platform::NowMs();
    const bool late = now >= deadlineMs;
    if (late && lateBytes == kQueueBytes) return std::nullopt;
    SetPortTimeouts(late ? kShortestReadMs : static_cast<std::uint32_t>(deadlineMs - now));
    platform::SystemError error;
    const platform::ReadOutcome read = platform::ReadByte(hComm, error);
    bRead = read.ok;
    dwRecvSize = read.count;
    if (!bRead) FailAndExit("Recept FAILED\n", error);
    if (read.count == 0) {
      // Nothing was waiting: the deadline decides.
      if (platform::NowMs() >= deadlineMs) return std::nullopt;
      continue;
    }
    if (late) ++lateBytes;
    cRecv = read.byte;
    if (AppendLineByte(strRet, cRecv)) return strRet;
  }
}
