// The working life of the program: poll the state, drive the lamp.
#pragma once

#include <cstdint>

#include "monitor/cycle_decisions.h"

inline constexpr std::uint32_t kPollIntervalMs = 100;
inline constexpr std::uint32_t kScreenSaverPauseMs = 500;

// State the loop carries from cycle to cycle besides the colour pair.
struct MonitorLocals {
  bool pvParam = false;         // the screen saver ran at the last query
  bool bSaverMsgShown = false;  // its message was printed in this period
  AwayMessages awayMsgShown;    // the same for each away period
};

enum class CycleOutcome : std::uint8_t { Continue, ShiftEsc };

// One cycle without its closing sleep.
CycleOutcome RunMonitorCycle(MonitorLocals& locals);

// Cycles until Shift+Esc, then ends the program with the lamp dark.
[[noreturn]] void RunMonitorLoop(MonitorLocals& locals);

// Switches the lamp dark and lets the screen saver have the screen a while.
bool ScreenSaverOff();
