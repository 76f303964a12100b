// The away state that the system's sources set, kept under the write lock
// together with the lamp-off it causes. Shared by both systems' seams.
#pragma once

#include "platform/platform.h"

namespace platform {

// One reader of the system that tells of one reason. Several may tell of the
// same reason (the session's lock, the console, a lock screen): each is kept
// apart, so that one coming back does not end another's period. Each lives
// as long as the program, in the file of the reader that sets it.
class AwaySource {
 public:
  explicit constexpr AwaySource(AwayReason reason) : reason_(reason) {}
  AwaySource(const AwaySource&) = delete;
  AwaySource& operator=(const AwaySource&) = delete;

 private:
  friend void SetAway(AwaySource& source, bool away);

  AwayReason reason_;
  bool away_ = false;  // read and written only under the write lock
};

// When a source turns away, the lamp on the watched port goes dark under the
// same hold of the write lock in which the source is set.
void SetAway(AwaySource& source, bool away);

// The port the lamp-off goes to; none until it is set.
void DarkenOnAway(PortHandle port);

// The state the sources make now.
AwayState AwayNow();

// The system's write of one byte to the port, for callers that hold the
// write lock (serial_line.cpp of each system).
bool WriteHeld(PortHandle port, char byte, SystemError& error);

}  // namespace platform
