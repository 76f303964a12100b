#ifndef SIMLAMP_PACER_H
#define SIMLAMP_PACER_H

#include <chrono>
#include <cstdint>

namespace simlamp {

// Keeps the simulated clock from running ahead of the wall clock.
class Pacer {
 public:
  explicit Pacer(uint32_t frequency) : frequency_(frequency) {}

  // From now on, the given cycle corresponds to this wall-clock instant.
  void Anchor(uint64_t cycle);
  // Sleeps until the wall clock has caught up with the given cycle.
  void WaitFor(uint64_t cycle) const;

 private:
  uint32_t frequency_;
  uint64_t anchorCycle_ = 0;
  std::chrono::steady_clock::time_point anchorTime_ = std::chrono::steady_clock::now();
};

}  // namespace simlamp

#endif
