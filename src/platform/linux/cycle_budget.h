// The bus questions of one monitor cycle, those a thread asks between two of
// its sleeps, share one allowance of 100 ms: however many sources answer
// slowly, a cycle is never held up for longer than that.
#pragma once

#include <cstdint>
#include <optional>

namespace platform::linux_os {

class CycleBudget {
 public:
  static constexpr std::uint64_t kAllowanceUs = 100'000;

  void NewCycle() { openedUs_.reset(); }

  // What is left for a question asked at nowUs (the cycle's first question
  // opens the allowance); 0 once the cycle has used it all.
  std::uint64_t LeftUs(std::uint64_t nowUs) {
    if (!openedUs_) openedUs_ = nowUs;
    const std::uint64_t used = nowUs - *openedUs_;
    return used >= kAllowanceUs ? 0 : kAllowanceUs - used;
  }

 private:
  std::optional<std::uint64_t> openedUs_;
};

// The calling thread's budget; SleepMs begins its next cycle.
CycleBudget& ThreadCycleBudget();

// Monotonic microseconds, the budget's clock.
std::uint64_t MonotonicUs();

}  // namespace platform::linux_os
