#include "bench/quiet_platform.h"

#include <cstdlib>

#include "platform/platform.h"

namespace quiet {
namespace {

long currentCycle = 0;
std::size_t bytesSent = 0;

// Caps Lock flips every 7 cycles, the input method every 5, the screen saver
// runs one cycle in 50, and one cycle in 11 has no input method window.
bool Every(long period) { return currentCycle % period == 0; }
bool Phase(long period) { return (currentCycle / period) % 2 == 1; }

}  // namespace

void SetCycle(long cycle) { currentCycle = cycle; }
std::size_t BytesSent() { return bytesSent; }

}  // namespace quiet

namespace platform {

using quiet::Every;
using quiet::Phase;

void WriteText(std::string_view /*utf8*/) {}
std::optional<std::string> ReadLine() { return std::nullopt; }
void Pause() {}
bool LowerPriority(std::uint32_t& /*errorCode*/) { return true; }
bool InstallEventHandler(EventHandler /*handler*/) { return true; }
void ClaimEnd() {}
void EndProcess(int status) { std::_Exit(status); }
std::uint64_t NowMs() { return 0; }
void SleepMs(std::uint32_t /*ms*/) {}
PortHandle OpenPort(const std::string& /*name*/, OpenFailure& /*failure*/) { return kNoPort; }
bool SetQueueSizes(PortHandle /*port*/, std::uint32_t /*in*/, std::uint32_t /*out*/) {
  return true;
}
bool PurgePort(PortHandle /*port*/) { return true; }
bool ApplyLineSettings(PortHandle /*port*/, const LineSettings& /*settings*/) { return true; }
bool SetTimeouts(PortHandle /*port*/, const PortTimeouts& /*timeouts*/) { return true; }
ReadOutcome ReadByte(PortHandle /*port*/) { return {}; }

bool WriteByte(PortHandle /*port*/, char /*byte*/) {
  ++quiet::bytesSent;
  return true;
}

void ClosePort(PortHandle /*port*/) {}
std::vector<std::string> ListPortFriendlyNames() { return {}; }
bool KeyboardReachable() { return true; }
bool EscPressedSinceLastQuery() { return false; }
bool ShiftIsDown() { return false; }
Toggle CapsLock() { return Phase(7) ? Toggle::On : Toggle::Off; }

std::optional<ImeStatus> ForegroundIme() {
  if (Every(11)) return std::nullopt;
  return Phase(5) ? ImeStatus{.openStatus = 1, .conversionMode = 9} : ImeStatus{};
}

bool ScreenSaverRunning() { return Every(50); }

}  // namespace platform
