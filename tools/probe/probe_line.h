// What morvane-probe prints: one line per change of what the program reads,
// and a summary of what it could not read. Pure text, no system calls.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

// Everything the monitor reads in one cycle, with the sources each reading
// asked.
struct ProbeReading {
  platform::KeysDown keys;
  platform::SourceReplies keySources;
  platform::Toggle capsLock = platform::Toggle::Unknown;
  platform::SourceReplies capsLockSources;
  platform::ImeReading ime;
  platform::SourceReplies imeSources;
  bool screenSaver = false;
  platform::SourceReplies screenSaverSources;
  platform::AwayState away;
  platform::SourceReplies awaySources;
};

// "Caps Lock=オン [Xkb: 0x2]  Esc=-  Shift=- [XQueryKeymap]  IME=...": each
// reading as the program makes of it, then what its sources answered.
std::string FormatReading(const ProbeReading& reading);

// "12:00:01.300"
std::string FormatTimeStamp(int hour, int minute, int second, int millisecond);

// The sources that gave no answer over a run, and how often.
class Tally {
 public:
  // A reading begins; until it is added, the run's end comes in the middle
  // of it.
  void Begin() { underWay_ = true; }
  void Add(const ProbeReading& reading);
  // One line: how many readings, what could not be read, and whether the
  // end came in the middle of a reading. Never "all read" for a reading that
  // did not finish.
  std::string Summary() const;

 private:
  struct Miss {
    std::string source;
    platform::Reply reply;
    long times;
  };
  void Count(const platform::SourceReplies& sources);

  long readings_ = 0;
  bool underWay_ = false;
  std::vector<Miss> misses_;  // in the order first seen
};
