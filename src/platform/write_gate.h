// The one lock under which text and bytes leave the program, and the claim
// on the process's end. Shared by the implementations of the seam.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace platform {

class WriteGate {
 public:
  // Runs write under the lock. A thread other than the one that claimed the
  // end waits here for good: the process ends without it.
  template <class Write>
  auto Through(Write&& write) {
    std::unique_lock lock(mutex_);
    ParkUnlessEnder(lock);
    return std::forward<Write>(write)();
  }

  // Returns to the first thread that claims, and to it again later; any
  // other thread waits in here for good.
  void Claim() {
    std::unique_lock lock(mutex_);
    if (!ender_) ender_ = std::this_thread::get_id();
    ParkUnlessEnder(lock);
  }

 private:
  void ParkUnlessEnder(std::unique_lock<std::mutex>& lock) {
    parked_.wait(lock, [this] { return !ender_ || *ender_ == std::this_thread::get_id(); });
  }

  std::mutex mutex_;
  std::condition_variable parked_;  // never notified: parked threads stay parked
  std::optional<std::thread::id> ender_;
};

// The process's one gate.
WriteGate& Gate();

}  // namespace platform
