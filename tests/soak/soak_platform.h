// A platform for the soak of the monitor loop: state that changes every few
// cycles, and every byte and text the loop sends checked, as it is sent,
// against what that state calls for. Nothing is kept per cycle, so the
// platform itself never grows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace soak {

struct Tally {
  long cycles = 0;  // cycles begun, the ending one included
  std::size_t bytes = 0;
  std::size_t texts = 0;
  std::size_t wrong = 0;  // bytes or texts not as expected, and missing ones
  std::string firstWrong;
  std::uint64_t sleptMs = 0;
};

// The loop runs cycles cycles; Shift+Esc comes in the last.
void Plan(long cycles);
const Tally& Result();

// The platform's sleep time that the planned cycles call for.
std::uint64_t ExpectedSleepMs();

// Defined by the soak's driver: called as each cycle begins, and instead of
// ending the process.
void AtCycle(long cycle);
[[noreturn]] void AtEnd(int status);

}  // namespace soak
