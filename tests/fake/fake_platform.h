// A platform that records every call and replays scripted state, so the
// program's logic runs in the tests, the soak, the benchmark and the fuzz
// targets as it would on a real system.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

// Thrown by EndProcess, so that a test sees where and how the program ended.
struct ProcessEnded {
  int status;
};

// One monitor cycle's state, taken when the cycle asks for Esc.
struct Cycle {
  bool esc = false;
  bool shift = false;
  bool screenSaver = false;
  platform::Toggle capsLock = platform::Toggle::Off;
  platform::ImeReading ime{};
  platform::AwayState away{};
  // The computer turns away after the cycle read it, before its state bytes.
  bool turnsAwayMidCycle = false;
};

inline constexpr platform::ImeReading kImeOn{.query = platform::ImeQuery::Answered,
                                             .status = {.openStatus = 1, .conversionMode = 0x9}};
inline constexpr platform::ImeReading kImeOff{.query = platform::ImeQuery::Answered,
                                              .status = {.openStatus = 0, .conversionMode = 0}};

// Makes the state of the cycle with this number (counted from 0).
using CycleSource = Cycle (*)(long cycle);
// Sees the end before the exception unwinds anything.
using EndWatcher = void (*)(int status);

struct Platform {
  // What the program did, in order: "text:...", "byte:R", "sleep:100", "pause:1",
  // "open:COM3", "close", "end:0", ...
  std::vector<std::string> calls;

  // Scripted answers.
  std::deque<std::string> typedLines;
  bool priorityLowers = true;
  std::uint32_t priorityError = 0;
  // What every other failing call gives as the system's reason.
  std::uint32_t errorCode = 13;
  bool handlerInstalls = true;
  platform::KeyboardReach keyboardReach = platform::KeyboardReach::Full;
  bool startedAsService = false;
  bool portOpens = true;
  platform::OpenFailure openFailure;
  bool queuesSet = true;
  bool purges = true;
  bool lineSettingsApply = true;
  bool timeoutsSet = true;
  // Bytes the board sends; once they run out every read times out.
  std::deque<platform::ReadOutcome> received;
  // The write with this index (counted from 0) fails.
  std::optional<std::size_t> failingWrite;
  std::vector<std::string> friendlyNames;
  // After the last scripted cycle the user presses Shift+Esc.
  std::deque<Cycle> cycles;
  // Where set, it makes every cycle in place of `cycles`: for runs too long
  // to script.
  CycleSource cycleSource = nullptr;
  // Records no call, so that a long run neither grows nor allocates; what the
  // program leaves behind below is still kept.
  bool quiet = false;
  // Called as the process ends, before ProcessEnded is thrown: a run that
  // measures itself up to its very end exits here.
  EndWatcher endWatcher = nullptr;

  // What the program left behind.
  std::uint64_t nowMs = 1000;  // moved on by each sleep and each read that times out
  std::optional<platform::LineSettings> lineSettings;
  platform::PortTimeouts timeouts;
  platform::EventHandler handler = nullptr;
  std::optional<platform::PortHandle> awayWatched;  // the port WatchAway was given
  std::size_t writes = 0;  // bytes the program tried to send, the failing one included
  long cyclesBegun = 0;
  Cycle current;

  std::string Console() const;  // every text written, in order
  std::string Bytes() const;    // every byte written to the port, in order
};

Platform& State();

// A fresh fake and fresh program globals, for a test's start.
void Reset();

// Runs body; the status it ended the process with, nullopt when it returned.
template <class Body>
std::optional<int> EndStatusOf(Body&& body) {
  try {
    body();
  } catch (const ProcessEnded& ended) {
    return ended.status;
  }
  return std::nullopt;
}

void Receive(std::string_view bytes);
// ok, with the scripted errorCode when a call fails.
bool Outcome(bool ok, platform::SystemError& error);
platform::ReadOutcome Byte(char byte);

}  // namespace fake
