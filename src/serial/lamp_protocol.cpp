#include "serial/lamp_protocol.h"

#include "app/end_routines.h"
#include "app/globals.h"
#include "serial/line_assembly.h"
#include "serial/serial_port.h"

namespace {

// What is shown of an identity: a device that sends a long line gets no
// more than this of it onto the console.
constexpr std::size_t kShownIdentityBytes = 64;

std::string ShownIdentity(const std::string& identity) {
  if (identity.size() <= kShownIdentityBytes) return PrintableLine(identity);
  return PrintableLine(identity.substr(0, kShownIdentityBytes)) + "…";
}

}  // namespace

void CheckModuleName() {
  dwRecvSize = 0;
  const auto strInit = ReceiveLine(platform::NowMs() + kIdentityDeadlineMs);
  // A listed board that does not speak (another sketch on the same board)
  // says the same whenever it is opened again, and each opening resets it.
  if (!strInit) {
    platform::WriteText("Arduinoから名称を受信できませんでした。\n");
    FinishAndExit(kStatusNothingToDrive);
  }
  platform::WriteText("Arduinoから受信した名称は、「" + ShownIdentity(*strInit) + "」です。\n\n");
  if (*strInit != strModuleName) {
    platform::WriteText("moduleが「Lumivantrexial」ではなく使えません。\n\n");
    FinishAndExit(kStatusNothingToDrive);
  }
}

void LampOff() {
  SendCommand('r');
  SendCommand('g');
  SendCommand('b');
}
