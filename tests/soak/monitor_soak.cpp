// The monitor loop for 24 hours of cycles (864,000 at 100 ms) on the fake
// platform, its state changing every few cycles. It fails when any cycle's
// bytes or texts differ from what its state calls for, when the loop's sleeps
// do not add up to the planned time, or when the heap grows after the first
// cycles.
//
//   monitor_soak [cycles (864000)]
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "fake/fake_platform.h"
#include "monitor/monitor_loop.h"

// The sanitizers' own count of the heap, where one is linked in.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the name is theirs
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

using platform::Toggle;

constexpr long kDefaultCycles = 864'000;
constexpr long kWarmUpCycles = 2'000;
// A few pages that the end's own path may touch for the first time.
constexpr long kRssSlackBytes = 64L * 1024;

constexpr std::string_view kImeOnText = "IMEがONです。\n";
constexpr std::string_view kImeOffText = "IMEがOFFで、半角英数モードです。\n";
constexpr std::string_view kSaverText = "スクリーンセイバーが起動しました。\n";
constexpr std::string_view kEndText = "\n終了しました。\n";

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

fake::Cycle AsFakeCycle(const CycleState& state) {
  fake::Cycle cycle{.esc = state.esc,
                    .shift = state.shift,
                    .screenSaver = state.saver,
                    .capsLock = state.capsLock};
  if (state.imeOn) cycle.ime = *state.imeOn ? fake::kImeOn : fake::kImeOff;
  return cycle;
}

// What the loop owes for one cycle, in order. Kept off the heap, so that the
// soak's own books cannot make it grow.
struct Owed {
  char bytes[8] = {};
  std::size_t byteCount = 0;
  std::string_view texts[2];
  std::size_t textCount = 0;

  void Byte(char byte) { bytes[byteCount++] = byte; }
  void Text(std::string_view text) { texts[textCount++] = text; }
};

struct Memory {
  std::size_t heapBytes = 0;
  long rssBytes = 0;
};

struct Soak {
  long cycles = kDefaultCycles;
  std::uint64_t startMs = 0;  // the fake's clock as the loop begins
  bool lastSaver = false;
  std::optional<bool> lastImeOn;
  Owed owed;  // by the cycle under way
  std::size_t bytes = 0;
  std::size_t texts = 0;
  std::size_t wrongCycles = 0;  // with a byte or text wrong, missing or too many
  std::string firstWrong;
  Memory warm;
};

Soak& TheSoak() {
  static Soak soak;
  return soak;
}

bool UnderSanitizer() { return __sanitizer_get_current_allocated_bytes != nullptr; }

// Under a sanitizer its allocator counts; otherwise the C library's.
std::size_t HeapInUse() {
  return UnderSanitizer() ? __sanitizer_get_current_allocated_bytes() : mallinfo2().uordblks;
}

Memory Measure() {
  long pages = 0;
  long resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return {HeapInUse(), resident * ::sysconf(_SC_PAGESIZE)};
}

// What the state calls for: the red byte and the colour pair, or the
// lamp-off alone while the screen saver runs, and a text for each change.
Owed Expect(const CycleState& state, Soak& soak) {
  Owed owed;
  if (state.esc && state.shift) {
    owed.Text(kEndText);
    for (const char byte : {'r', 'g', 'b'}) owed.Byte(byte);
    return owed;
  }
  if (state.saver) {
    for (const char byte : {'r', 'g', 'b'}) owed.Byte(byte);
    if (!soak.lastSaver) owed.Text(kSaverText);
  }
  if (state.capsLock != Toggle::Unknown && !state.saver) {
    owed.Byte(state.capsLock == Toggle::On ? 'R' : 'r');
  }
  if (state.imeOn) {
    if (state.imeOn != soak.lastImeOn) owed.Text(*state.imeOn ? kImeOnText : kImeOffText);
    if (!state.saver) {
      owed.Byte(*state.imeOn ? 'b' : 'B');
      owed.Byte(*state.imeOn ? 'G' : 'g');
    }
    soak.lastImeOn = state.imeOn;
  }
  soak.lastSaver = state.saver;
  return owed;
}

// Checks the bytes and texts that the fake recorded for the cycle against
// what it owed, then forgets them, so that the record never grows.
void Settle(long cycle) {
  Soak& soak = TheSoak();
  const Owed& owed = soak.owed;
  std::size_t byte = 0;
  std::size_t text = 0;
  bool right = true;
  for (const std::string_view call : fake::State().calls) {
    if (call.starts_with("byte:")) {
      right = right && byte < owed.byteCount &&
              call.substr(5) == std::string_view(&owed.bytes[byte], 1);
      ++byte;
    } else if (call.starts_with("text:")) {
      right = right && text < owed.textCount && call.substr(5) == owed.texts[text];
      ++text;
    }
  }
  soak.bytes += byte;
  soak.texts += text;
  if ((!right || byte != owed.byteCount || text != owed.textCount) && soak.wrongCycles++ == 0) {
    soak.firstWrong = "first in cycle " + std::to_string(cycle);
  }
  fake::State().calls.clear();
}

fake::Cycle NextCycle(long cycle) {
  Soak& soak = TheSoak();
  if (cycle > 0) Settle(cycle - 1);
  if (cycle == kWarmUpCycles) {
    // The first reading of /proc brings pages of its own into memory.
    Measure();
    soak.warm = Measure();
  }
  const CycleState state = StateOf(cycle, soak.cycles - 1);
  soak.owed = Expect(state, soak);
  return AsFakeCycle(state);
}

std::uint64_t ExpectedSleepMs(long cycles) {
  std::uint64_t sleptMs = 0;
  for (long cycle = 0; cycle < cycles - 1; ++cycle) {
    sleptMs += StateOf(cycle, cycles - 1).saver ? 600 : 100;
  }
  return sleptMs;
}

// The report, as the loop ends; the process exits here.
[[noreturn]] void AtEnd(int status) {
  const Soak& soak = TheSoak();
  const fake::Platform& fake = fake::State();
  Settle(fake.cyclesBegun - 1);
  const Memory end = Measure();
  const std::uint64_t sleptMs = fake.nowMs - soak.startMs;
  const bool measured = fake.cyclesBegun > kWarmUpCycles;
  const long heapGrowth = static_cast<long>(end.heapBytes) - static_cast<long>(soak.warm.heapBytes);
  const long rssGrowth = end.rssBytes - soak.warm.rssBytes;

  std::printf("cycles:            %ld\n", fake.cyclesBegun);
  std::printf("time slept:        %.1f hours\n", static_cast<double>(sleptMs) / 3.6e6);
  std::printf("bytes sent:        %zu\n", soak.bytes);
  std::printf("texts written:     %zu\n", soak.texts);
  std::printf("cycles wrong:      %zu %s\n", soak.wrongCycles, soak.firstWrong.c_str());
  if (measured) {
    std::printf("heap growth:       %ld bytes after cycle %ld\n", heapGrowth, kWarmUpCycles);
    // A sanitizer's shadow memory and stacks grow as they please: not judged.
    std::printf("resident growth:   %ld bytes after cycle %ld%s\n", rssGrowth, kWarmUpCycles,
                UnderSanitizer() ? " (not judged under a sanitizer)" : "");
  }

  bool passed = status == 0 && fake.cyclesBegun == soak.cycles && soak.wrongCycles == 0 &&
                sleptMs == ExpectedSleepMs(soak.cycles);
  if (measured) {
    passed = passed && heapGrowth <= 0 && (UnderSanitizer() || rssGrowth <= kRssSlackBytes);
  }
  std::printf("%s\n", passed ? "soak passed" : "SOAK FAILED");
  std::exit(passed ? EXIT_SUCCESS : EXIT_FAILURE);
}

}  // namespace

int main(int argc, char** argv) {
  Soak& soak = TheSoak();
  if (argc > 1) soak.cycles = std::strtol(argv[1], nullptr, 10);
  if (soak.cycles < 1) {
    std::printf("usage: monitor_soak [cycles]\n");
    return EXIT_FAILURE;
  }
  fake::Platform& fake = fake::State();
  fake.cycleSource = NextCycle;
  fake.endWatcher = AtEnd;
  soak.startMs = fake.nowMs;
  MonitorLocals locals;
  RunMonitorLoop(locals);
}
