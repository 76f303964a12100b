#include "monitor/monitor_loop.h"

#include "app/end_routines.h"
#include "app/globals.h"
#include "monitor/cycle_decisions.h"
#include "serial/lamp_protocol.h"
#include "serial/serial_port.h"

namespace {

bool ShiftEscPressed() {
  // Shift is asked only after an Esc press, which the query uses up.
  return platform::EscPressedSinceLastQuery() && platform::ShiftIsDown();
}

void FollowScreenSaver(MonitorLocals& locals) {
  locals.pvParam = platform::ScreenSaverRunning();
  const SaverDecision saver = DecideScreenSaver(locals.pvParam, locals.bSaverMsgShown);
  if (saver.lampOff) ScreenSaverOff();
  if (!saver.message.empty()) platform::WriteText(saver.message);
  locals.bSaverMsgShown = saver.messageShown;
}

void FollowCapsLock() {
  if (const auto red = RedCommand(platform::CapsLock())) SendCommand(*red);
}

void FollowIme() {
  const auto status = platform::ForegroundIme();
  if (!status) return;
  const ImeDecision ime = DecideIme(ImeIsOn(*status), cGreenCmd, cBlueCmd);
  if (!ime.message.empty()) platform::WriteText(ime.message);
  cBlueCmd = ime.blueCmd;
  cGreenCmd = ime.greenCmd;
  SendCommand(cBlueCmd);
  SendCommand(cGreenCmd);
}

}  // namespace

bool ScreenSaverOff() {
  LampOff();
  platform::SleepMs(kScreenSaverPauseMs);
  return true;
}

CycleOutcome RunMonitorCycle(MonitorLocals& locals) {
  if (ShiftEscPressed()) return CycleOutcome::ShiftEsc;
  FollowScreenSaver(locals);
  FollowCapsLock();
  FollowIme();
  return CycleOutcome::Continue;
}

void RunMonitorLoop(MonitorLocals& locals) {
  while (RunMonitorCycle(locals) == CycleOutcome::Continue) {
    platform::SleepMs(kPollIntervalMs);
  }
  ExitWithLampOff();
}
