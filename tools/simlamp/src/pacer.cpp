#include "pacer.h"

#include <thread>

namespace simlamp {

void Pacer::anchor(uint64_t cycle) {
  anchor_cycle_ = cycle;
  anchor_time_ = std::chrono::steady_clock::now();
}

void Pacer::wait_for(uint64_t cycle) const {
  if (cycle <= anchor_cycle_) {
    return;
  }
  // Whole seconds apart from the rest keep the product far from overflowing in long runs.
  const uint64_t cycles = cycle - anchor_cycle_;
  const auto elapsed =
      std::chrono::seconds(cycles / frequency_) +
      std::chrono::nanoseconds((cycles % frequency_) * 1'000'000'000ULL / frequency_);
  std::this_thread::sleep_until(anchor_time_ + elapsed);
}

}  // namespace simlamp
