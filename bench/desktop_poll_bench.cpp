// What reading the desktop costs: one poll of every source, asked in the
// monitor's order, timed back to back; then the CPU share of a process that
// polls every 100 ms, as the monitor does.
//
//   desktop_poll_bench [polls for the cost (1000)] [seconds for the share (60)]
//                      [seconds to wait after the first poll (0)]
//
// The wait lets the threads that follow an input method, which the first
// poll starts, hear what it tells meanwhile.
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

using Clock = std::chrono::steady_clock;

double MicrosecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

constexpr std::size_t kSources = 4;
constexpr std::array<const char*, kSources> kSourceNames{"Esc and Shift", "screen saver",
                                                         "Caps Lock", "input method"};
using PollCosts = std::array<double, kSources>;  // microseconds, in kSourceNames' order

template <class Read>
double Timed(Read read) {
  const Clock::time_point start = Clock::now();
  read();
  return MicrosecondsSince(start);
}

PollCosts PollOnce() {
  // Each poll is a cycle of its own, as after the monitor's sleep: its bus
  // questions get their own 100 ms.
  platform::SleepMs(0);
  return {Timed([] {
            if (platform::EscPressedSinceLastQuery()) platform::ShiftIsDown();
          }),
          Timed([] { platform::ScreenSaverRunning(); }), Timed([] { platform::CapsLock(); }),
          Timed([] { platform::ForegroundIme(); })};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void ReportCost(long polls, long settleSeconds) {
  PollOnce();  // opens the connections, which the program does once
  std::this_thread::sleep_for(std::chrono::seconds(settleSeconds));
  std::vector<double> totals;
  std::array<std::vector<double>, kSources> bySource;
  for (long poll = 0; poll < polls; ++poll) {
    const PollCosts costs = PollOnce();
    totals.push_back(std::accumulate(costs.begin(), costs.end(), 0.0));
    for (std::size_t source = 0; source < kSources; ++source) {
      bySource[source].push_back(costs[source]);
    }
  }
  std::cout << "one poll over " << polls << " polls: median " << Median(totals) << " us, worst "
            << *std::max_element(totals.begin(), totals.end()) << " us\n";
  for (std::size_t source = 0; source < kSources; ++source) {
    std::cout << "  " << kSourceNames[source] << ": median " << Median(bySource[source]) << " us\n";
  }
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void ReportShare(long seconds) {
  constexpr auto kPeriod = std::chrono::milliseconds(100);
  const double cpuBefore = CpuSeconds();
  const Clock::time_point start = Clock::now();
  Clock::time_point next = start;
  while (Clock::now() - start < std::chrono::seconds(seconds)) {
    PollOnce();
    next += kPeriod;
    std::this_thread::sleep_until(next);
  }
  const double wall = MicrosecondsSince(start) / 1e6;
  const double cpu = CpuSeconds() - cpuBefore;
  std::cout << "polling every 100 ms for " << wall << " s: " << cpu * 1e3 << " ms of CPU, "
            << 100.0 * cpu / wall << " % of one core\n";
}

}  // namespace

int main(int argc, char** argv) {
  const long polls = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
  const long seconds = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 60;
  const long settle = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 0;
  if (polls <= 0 || seconds < 0 || settle < 0) {
    std::cerr << "usage: desktop_poll_bench [polls > 0] [seconds >= 0] [settle seconds >= 0]\n";
    return 2;
  }
  ReportCost(polls, settle);
  if (seconds > 0) ReportShare(seconds);
}
