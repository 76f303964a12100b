#include "platform/away.h"

#include "platform/write_gate.h"

namespace platform {
namespace {

// Read and written only under the write lock.
struct Held {
  unsigned sources = 0;
  PortHandle port = kNoPort;
};

Held& Kept() {
  static Held held;
  return held;
}

constexpr unsigned Bit(AwaySource source) { return 1U << static_cast<unsigned>(source); }

bool Has(unsigned sources, AwaySource source) { return (sources & Bit(source)) != 0; }

}  // namespace

void SetAway(AwaySource source, bool away) {
  Gate().Through([source, away] {
    Held& held = Kept();
    const bool turnsAway = away && !Has(held.sources, source);
    held.sources = away ? held.sources | Bit(source) : held.sources & ~Bit(source);
    if (!turnsAway || held.port == kNoPort) return;
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
  const unsigned sources = Gate().Through([] { return Kept().sources; });
  return {.locked = Has(sources, AwaySource::Locked) || Has(sources, AwaySource::NotAtConsole) ||
                    Has(sources, AwaySource::ScreenLocked),
          .displayOff = Has(sources, AwaySource::DisplayOff),
          .sleeping = Has(sources, AwaySource::Sleeping)};
}

bool WriteStateByte(PortHandle port, char byte, SystemError& error) {
  return Gate().Through(
      [port, byte, &error] { return Kept().sources != 0 || WriteHeld(port, byte, error); });
}

}  // namespace platform
