// The monitor loop for 24 hours of cycles (864,000 at 100 ms) over a platform
// whose state changes every few cycles. It fails when any byte or text
// differs from what the state calls for, when the loop's sleeps do not add up
// to the planned time, or when the heap grows after the first cycles.
//
//   monitor_soak [cycles (864000)]
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "monitor/monitor_loop.h"
#include "soak_platform.h"

// The sanitizers' own count of the heap, where one is linked in.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the name is theirs
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

constexpr long kDefaultCycles = 864'000;
constexpr long kWarmUpCycles = 2'000;
// A few pages that the end's own path may touch for the first time.
constexpr long kRssSlackBytes = 64L * 1024;

struct Memory {
  std::size_t heapBytes = 0;
  long rssBytes = 0;
};

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

struct Soak {
  long cycles = kDefaultCycles;
  Memory warm;
};

Soak& TheSoak() {
  static Soak soak;
  return soak;
}

}  // namespace

void soak::AtCycle(long cycle) {
  if (cycle != kWarmUpCycles) return;
  // The first reading of /proc brings pages of its own into memory.
  Measure();
  TheSoak().warm = Measure();
}

void soak::AtEnd(int status) {
  const Tally& tally = Result();
  const Memory end = Measure();
  const Memory& warm = TheSoak().warm;
  const bool measured = tally.cycles > kWarmUpCycles;
  const long heapGrowth = static_cast<long>(end.heapBytes) - static_cast<long>(warm.heapBytes);
  const long rssGrowth = end.rssBytes - warm.rssBytes;

  std::printf("cycles:            %ld\n", tally.cycles);
  std::printf("time slept:        %.1f hours\n", static_cast<double>(tally.sleptMs) / 3.6e6);
  std::printf("bytes sent:        %zu\n", tally.bytes);
  std::printf("texts written:     %zu\n", tally.texts);
  std::printf("wrong or missing:  %zu %s\n", tally.wrong, tally.firstWrong.c_str());
  if (measured) {
    std::printf("heap growth:       %ld bytes after cycle %ld\n", heapGrowth, kWarmUpCycles);
    // A sanitizer's shadow memory and stacks grow as they please: not judged.
    std::printf("resident growth:   %ld bytes after cycle %ld%s\n", rssGrowth, kWarmUpCycles,
                UnderSanitizer() ? " (not judged under a sanitizer)" : "");
  }

  bool passed = status == 0 && tally.cycles == TheSoak().cycles && tally.wrong == 0 &&
                tally.sleptMs == ExpectedSleepMs();
  if (measured) {
    passed = passed && heapGrowth <= 0 && (UnderSanitizer() || rssGrowth <= kRssSlackBytes);
  }
  std::printf("%s\n", passed ? "soak passed" : "SOAK FAILED");
  std::exit(passed ? EXIT_SUCCESS : EXIT_FAILURE);
}

int main(int argc, char** argv) {
  if (argc > 1) TheSoak().cycles = std::strtol(argv[1], nullptr, 10);
  if (TheSoak().cycles < 1) {
    std::printf("usage: monitor_soak [cycles]\n");
    return EXIT_FAILURE;
  }
  soak::Plan(TheSoak().cycles);
  MonitorLocals locals;
  RunMonitorLoop(locals);
}
