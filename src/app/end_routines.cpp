#include "app/end_routines.h"

#include "app/globals.h"
#include "serial/lamp_protocol.h"

void FailAndExit(std::string_view message, int status) {
  // A second thread that fails while another ends waits here for good.
  platform::ClaimEnd();
  platform::WriteText(message);
  if (hComm != platform::kNoPort) platform::ClosePort(hComm);
  platform::Pause();
  platform::EndProcess(status);
}

void FailWithLampOff(std::string_view message) {
  platform::ClaimEnd();
  platform::WriteText(message);
  LampOff();
  platform::ClosePort(hComm);
  platform::Pause();
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
