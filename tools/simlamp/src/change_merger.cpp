#include "change_merger.h"

namespace simlamp {

std::optional<ColourChange> ChangeMerger::OnChange(uint64_t cycle, uint8_t colours) {
  if (pending_ && cycle - pending_->cycle <= windowCycles_) {
    pending_->colours = colours;
    return std::nullopt;
  }
  std::optional<ColourChange> settled = Flush();
  pending_ = ColourChange{cycle, colours};
  return settled;
}

std::optional<ColourChange> ChangeMerger::OnTime(uint64_t cycle) {
  if (pending_ && cycle - pending_->cycle > windowCycles_) {
    return Flush();
  }
  return std::nullopt;
}

std::optional<ColourChange> ChangeMerger::Flush() {
  std::optional<ColourChange> settled = pending_;
  pending_.reset();
  // A burst that ends where it began changed nothing anyone could see.
  if (!settled || settled->colours == reported_) {
    return std::nullopt;
  }
  reported_ = settled->colours;
  return settled;
}

}  // namespace simlamp
