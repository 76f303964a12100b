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

// True while the lamp is to stay dark: the screen saver runs, or nobody is
// at the computer.
bool FollowAbsence(MonitorLocals& locals) {
  locals.pvParam = platform::ScreenSaverRunning();
  const SaverDecision saver = DecideScreenSaver(locals.pvParam, locals.bSaverMsgShown);
  const AwayDecision away = DecideAway(platform::Away(), locals.awayMsgShown);
  const bool lampOff = saver.lampOff || away.lampOff;
  if (lampOff) ScreenSaverOff();
  if (!saver.message.empty()) platform::WriteText(saver.message);
  for (const std::string_view message : away.messages) {
    if (!message.empty()) platform::WriteText(message);
  }
  locals.bSaverMsgShown = saver.messageShown;
  locals.awayMsgShown = away.shown;
  return lampOff;
}

void FollowCapsLock(bool lampDark) {
  const auto red = RedCommand(platform::CapsLock());
  if (red && !lampDark) SendStateCommand(*red);
}

// The IME state is followed and announced even while the lamp stays dark, so
// that it shows the right colour at once when the screen saver or the away
// period ends.
void FollowIme(bool lampDark) {
  const platform::ImeReading reading = platform::ForegroundIme();
  // A question that timed out or was refused tells nothing of the state:
  // the pair stays as last sent, as without an input method.
  if (reading.query != platform::ImeQuery::Answered) return;
  const ImeDecision ime = DecideIme(ImeIsOn(reading.status), cGreenCmd, cBlueCmd);
  if (!ime.message.empty()) platform::WriteText(ime.message);
  cBlueCmd = ime.blueCmd;
  cGreenCmd = ime.greenCmd;
  if (lampDark) return;
  SendStateCommand(cBlueCmd);
  SendStateCommand(cGreenCmd);
}

}  // namespace

bool ScreenSaverOff() {
  LampOff();
  platform::SleepMs(kScreenSaverPauseMs);
  return true;
}

CycleOutcome RunMonitorCycle(MonitorLocals& locals) {
  if (ShiftEscPressed()) return CycleOutcome::ShiftEsc;
  // Colours sent after the lamp-off would light the lamp for a moment in
  // every cycle: it is to stay dark while the screen saver runs or nobody is
  // at the computer.
  const bool lampDark = FollowAbsence(locals);
  FollowCapsLock(lampDark);
  FollowIme(lampDark);
  return CycleOutcome::Continue;
}

void RunMonitorLoop(MonitorLocals& locals) {
  while (RunMonitorCycle(locals) == CycleOutcome::Continue) {
    platform::SleepMs(kPollIntervalMs);
  }
  ExitWithLampOff();
}
