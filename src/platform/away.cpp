#include "platform/away.h"

#include <array>

#include "platform/write_gate.h"

namespace platform {
namespace {

// Read and written only under the write lock.
struct Held {
  // For each reason, how many of its sources are away.
  std::array<unsigned, kAwayReasons.size()> sourcesAway{};
  AwayState reasons;
  PortHandle port = kNoPort;
};

Held& Kept() {
  static Held held;
  return held;
}

}  // namespace

void SetAway(AwaySource& source, bool away) {
  Gate().Through([&source, away] {
    if (source.away_ == away) return;
    source.away_ = away;
    Held& held = Kept();
    unsigned& sourcesAway = held.sourcesAway[Index(source.reason_)];
    sourcesAway = away ? sourcesAway + 1 : sourcesAway - 1;
    held.reasons.Set(source.reason_, sourcesAway != 0);
    if (!away || held.port == kNoPort) return;
    // A write that fails here fails again in the next cycle's lamp-off,
    // which reports it.
    SystemError ignored;
    WriteHeld(held.port, 'r', ignored) && WriteHeld(held.port, 'g', ignored) &&
        WriteHeld(held.port, 'b', ignored);
  });
}

void DarkenOnAway(PortHandle port) {
  Gate().Through([port] { Kept().port = port; });
}

AwayState AwayNow() {
  return Gate().Through([] { return Kept().reasons; });
}

bool WriteStateByte(PortHandle port, char byte, SystemError& error) {
  return Gate().Through(
      [port, byte, &error] { return Kept().reasons.Any() || WriteHeld(port, byte, error); });
}

}  // namespace platform
