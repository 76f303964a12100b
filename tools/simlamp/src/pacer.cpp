#include "pacer.h"

#include <thread>

namespace simlamp {

void Pacer::Anchor(uint64_t cycle) {
  anchorCycle_ = cycle;
  anchorTime_ = std::chrono::steady_clock::now();
}

void Pacer::WaitFor(uint64_t cycle) const {
  if (cycle <= anchorCycle_) {
    return;
  }
  // Whole seconds apart from the rest keep the product far from overflowing in long runs.
  const uint64_t cycles = cycle - anchorCycle_;
  const auto elapsed =
      std::chrono::seconds(cycles / frequency_) +
      std::chrono::nanoseconds((cycles % frequency_) * 1'000'000'000ULL / frequency_);
  std::this_thread::sleep_until(anchorTime_ + elapsed);
}

}  // namespace simlamp
