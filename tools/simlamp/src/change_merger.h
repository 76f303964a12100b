#ifndef SIMLAMP_CHANGE_MERGER_H
#define SIMLAMP_CHANGE_MERGER_H

#include <cstdint>
#include <optional>

namespace simlamp {

struct ColourChange {
  uint64_t cycle;
  uint8_t colours;
};

// Makes one timeline entry of pin changes a few microseconds apart, as when the firmware
// writes two timer registers one after the other: no eye sees the state in between.
// The entry carries the time of the first change and the state after the last.
class ChangeMerger {
 public:
  ChangeMerger(uint64_t windowCycles, uint8_t colours)
      : windowCycles_(windowCycles), reported_(colours) {}

  // Returns the previous burst when this change comes too late to join it.
  std::optional<ColourChange> OnChange(uint64_t cycle, uint8_t colours);
  // Returns the pending burst once the window has passed.
  std::optional<ColourChange> OnTime(uint64_t cycle);
  // Returns the pending burst now, window or not, so that later lines stay in order.
  std::optional<ColourChange> Flush();

 private:
  uint64_t windowCycles_;
  uint8_t reported_;
  std::optional<ColourChange> pending_;
};

}  // namespace simlamp

#endif
