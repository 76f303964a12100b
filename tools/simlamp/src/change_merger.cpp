#include "change_merger.h"

namespace simlamp {

std::optional<ColourChange> ChangeMerger::on_change(uint64_t cycle, uint8_t colours) {
  if (pending_ && cycle - pending_->cycle <= window_cycles_) {
    pending_->colours = colours;
    return std::nullopt;
  }
  std::optional<ColourChange> settled = flush();
  pending_ = ColourChange{cycle, colours};
  return settled;
}

std::optional<ColourChange> ChangeMerger::on_time(uint64_t cycle) {
  if (pending_ && cycle - pending_->cycle > window_cycles_) {
    return flush();
  }
  return std::nullopt;
}

std::optional<ColourChange> ChangeMerger::flush() {
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
