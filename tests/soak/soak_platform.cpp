#include "soak_platform.h"

#include <optional>
#include <string_view>

#include "platform/platform.h"

namespace soak {
namespace {

using platform::Toggle;

struct CycleState {
  bool esc = false;
  bool shift = false;
  bool saver = false;
  Toggle capsLock = Toggle::Unknown;
  std::optional<bool> imeOn;
};

// Caps Lock flips every 7 cycles and cannot be told 3 cycles in 29; the
// input method flips every 5 and is missing one cycle in 11; the screen
// saver runs 3 cycles in 97; Esc without Shift comes once in 1000.
CycleState StateOf(long cycle, long last) {
  CycleState state;
  state.esc = cycle == last || cycle % 1000 == 999;
  state.shift = cycle == last;
  state.saver = cycle % 97 >= 40 && cycle % 97 < 43;
  if (cycle % 29 >= 3) state.capsLock = (cycle / 7) % 2 == 1 ? Toggle::On : Toggle::Off;
  if (cycle % 11 != 0) state.imeOn = (cycle / 5) % 2 == 1;
  return state;
}

constexpr std::string_view kImeOnText = "IMEがONです。\n";
constexpr std::string_view kImeOffText = "IMEがOFFで、半角英数モードです。\n";
constexpr std::string_view kSaverText = "スクリーンセイバーが起動しました。\n";
constexpr std::string_view kEndText = "\n終了しました。\n";

struct Expectation {
  char bytes[8] = {};
  std::size_t byteCount = 0;
  std::size_t bytesSeen = 0;
  std::string_view texts[2];
  std::size_t textCount = 0;
  std::size_t textsSeen = 0;

  void Byte(char byte) { bytes[byteCount++] = byte; }
  void Text(std::string_view text) { texts[textCount++] = text; }
};

struct Run {
  long planned = 0;
  long cycle = -1;
  CycleState current;
  bool lastSaver = false;
  std::optional<bool> lastImeOn;
  Expectation expected;
  Tally tally;
};

Run& TheRun() {
  static Run run;
  return run;
}

void Wrong(const std::string& what) {
  Tally& tally = TheRun().tally;
  if (tally.wrong++ == 0)
    tally.firstWrong = "cycle " + std::to_string(TheRun().cycle) + ": " + what;
}

// What the loop owes for the state: the red byte and the colour pair, or
// the lamp-off alone while the screen saver runs, and a text for each change.
Expectation Expect(const CycleState& state, Run& run) {
  Expectation expected;
  if (state.esc && state.shift) {
    expected.Text(kEndText);
    for (const char byte : {'r', 'g', 'b'}) expected.Byte(byte);
    return expected;
  }
  if (state.saver) {
    for (const char byte : {'r', 'g', 'b'}) expected.Byte(byte);
    if (!run.lastSaver) expected.Text(kSaverText);
  }
  if (state.capsLock != Toggle::Unknown && !state.saver) {
    expected.Byte(state.capsLock == Toggle::On ? 'R' : 'r');
  }
  if (state.imeOn) {
    if (state.imeOn != run.lastImeOn) expected.Text(*state.imeOn ? kImeOnText : kImeOffText);
    if (!state.saver) {
      expected.Byte(*state.imeOn ? 'b' : 'B');
      expected.Byte(*state.imeOn ? 'G' : 'g');
    }
    run.lastImeOn = state.imeOn;
  }
  run.lastSaver = state.saver;
  return expected;
}

void CheckAllSent() {
  const Expectation& expected = TheRun().expected;
  if (expected.bytesSeen != expected.byteCount || expected.textsSeen != expected.textCount) {
    Wrong("bytes or texts missing");
  }
}

}  // namespace

void Plan(long cycles) { TheRun().planned = cycles; }
const Tally& Result() { return TheRun().tally; }

std::uint64_t ExpectedSleepMs() {
  const long planned = TheRun().planned;
  std::uint64_t sleptMs = 0;
  for (long cycle = 0; cycle < planned - 1; ++cycle) {
    sleptMs += StateOf(cycle, planned - 1).saver ? 600 : 100;
  }
  return sleptMs;
}

}  // namespace soak

namespace platform {

using soak::TheRun;

void WriteText(std::string_view utf8) {
  soak::Expectation& expected = TheRun().expected;
  ++TheRun().tally.texts;
  if (expected.textsSeen == expected.textCount || expected.texts[expected.textsSeen] != utf8) {
    soak::Wrong("unexpected text " + std::string(utf8));
  }
  ++expected.textsSeen;
}

bool WriteByte(PortHandle /*port*/, char byte) {
  soak::Expectation& expected = TheRun().expected;
  ++TheRun().tally.bytes;
  if (expected.bytesSeen == expected.byteCount || expected.bytes[expected.bytesSeen] != byte) {
    soak::Wrong(std::string("unexpected byte ") + byte);
  }
  ++expected.bytesSeen;
  return true;
}

bool EscPressedSinceLastQuery() {
  soak::Run& run = TheRun();
  if (run.cycle >= 0) soak::CheckAllSent();
  ++run.cycle;
  ++run.tally.cycles;
  run.current = soak::StateOf(run.cycle, run.planned - 1);
  run.expected = soak::Expect(run.current, run);
  soak::AtCycle(run.cycle);
  return run.current.esc;
}

bool ShiftIsDown() { return TheRun().current.shift; }
Toggle CapsLock() { return TheRun().current.capsLock; }

std::optional<ImeStatus> ForegroundIme() {
  const auto on = TheRun().current.imeOn;
  if (!on) return std::nullopt;
  return *on ? ImeStatus{.openStatus = 1, .conversionMode = 9} : ImeStatus{};
}

bool ScreenSaverRunning() { return TheRun().current.saver; }
bool KeyboardReachable() { return true; }

void SleepMs(std::uint32_t ms) { TheRun().tally.sleptMs += ms; }

void EndProcess(int status) {
  soak::CheckAllSent();
  soak::AtEnd(status);
}

// The rest of the seam is not reached from the loop.
std::optional<std::string> ReadLine() { return std::nullopt; }
void Pause() {}
bool LowerPriority(std::uint32_t& /*errorCode*/) { return true; }
bool InstallEventHandler(EventHandler /*handler*/) { return true; }
void ClaimEnd() {}
std::uint64_t NowMs() { return TheRun().tally.sleptMs; }
PortHandle OpenPort(const std::string& /*name*/, OpenFailure& /*failure*/) { return kNoPort; }
bool SetQueueSizes(PortHandle /*port*/, std::uint32_t /*in*/, std::uint32_t /*out*/) {
  return true;
}
bool PurgePort(PortHandle /*port*/) { return true; }
bool ApplyLineSettings(PortHandle /*port*/, const LineSettings& /*settings*/) { return true; }
bool SetTimeouts(PortHandle /*port*/, const PortTimeouts& /*timeouts*/) { return true; }
ReadOutcome ReadByte(PortHandle /*port*/) { return {}; }
void ClosePort(PortHandle /*port*/) {}
std::vector<std::string> ListPortFriendlyNames() { return {}; }

}  // namespace platform
