// What one monitor cycle makes of the state it reads: bytes and messages.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "platform/platform.h"

// The red byte for the Caps Lock state; none while it cannot be told.
std::optional<char> RedCommand(platform::Toggle capsLock);

// Open in half-width alphanumeric mode counts as off: modern Japanese input
// methods stay open there, and the lamp would show green while the user
// types half-width.
bool ImeIsOn(const platform::ImeStatus& status);

struct ImeDecision {
  char greenCmd;
  char blueCmd;
  std::string_view message;  // empty when the state did not change
};
ImeDecision DecideIme(bool imeOn, char greenCmd, char blueCmd);

struct SaverDecision {
  bool lampOff;
  bool messageShown;
  std::string_view message;  // empty unless a screen-saver period begins
};
SaverDecision DecideScreenSaver(bool running, bool messageShown);

// Which away periods have had their message printed.
using AwayMessages = platform::AwayState;

struct AwayDecision {
  bool lampOff;
  AwayMessages shown;
  // One for each period that begins, in the order of the reasons' table; the
  // others empty.
  std::array<std::string_view, platform::kAwayReasons.size()> messages;
};
AwayDecision DecideAway(const platform::AwayState& away, const AwayMessages& shown);
