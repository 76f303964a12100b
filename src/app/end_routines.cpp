#include "app/end_routines.h"

#include "app/globals.h"
#include "serial/lamp_protocol.h"

std::string ReasonLine(platform::SystemError error) {
  return "理由: " + platform::SystemErrorText(error) + "\n";
}

void FailAndExit(std::string_view message, int status) {
  // A second thread that fails while another ends waits here for good.
  platform::ClaimEnd();
  platform::WriteText(message);
  if (hComm != platform::kNoPort) platform::ClosePort(hComm);
  platform::Pause(status);
  platform::EndProcess(status);
}

void FailAndExit(std::string_view message, platform::SystemError error, int status) {
  FailAndExit(std::string(message) + ReasonLine(error), status);
}

void FailWithLampOff(std::string_view message, platform::SystemError error) {
  platform::ClaimEnd();
  platform::WriteText(message);
  platform::WriteText(ReasonLine(error));
  LampOff();
  platform::ClosePort(hComm);
  platform::Pause(kStatusFailure);
  platform::EndProcess(kStatusFailure);
}

void FinishAndExit(int status) { FailAndExit("FINISH\n", status); }

void ExitWithLampOff() {
  platform::ClaimEnd();
  platform::WriteText("\n終了しました。\n");
  LampOff();
  platform::EndProcess(kStatusSuccess);
}

bool HandlerRoutine(platform::ConsoleEvent /*event*/) { ExitWithLampOff(); }
