// The locks under which text and bytes leave the program, and the claim on
// the process's end. Shared by the implementations of the seam.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace platform {

class WriteGate {
 public:
  // Runs write, a write to the port, under the line's lock: a claim waits for
  // it, so that nothing follows the end's own bytes. A thread other than the
  // one that claimed the end waits here for good: the process ends without it.
  template <class Write>
  auto Through(Write&& write) {
    std::unique_lock lock(line_);
    ParkUnlessEnder(lock, parkedOnLine_);
    return std::forward<Write>(write)();
  }

  // Runs post, which hands text on to the console, under a lock of its own:
  // text never waits for a byte on the line, nor the line for the console.
  // Other threads than the ender wait here for good, as in Through.
  template <class Post>
  void Text(Post&& post) {
    std::unique_lock lock(text_);
    ParkUnlessEnder(lock, parkedOnText_);
    std::forward<Post>(post)();
  }

  // Returns to the first thread that claims, and to it again later; any
  // other thread waits in here for good.
  void Claim() {
    std::unique_lock line(line_);
    {
      // Set under both locks, so that either lock alone reads it safely.
      const std::scoped_lock text(text_);
      if (!ender_) ender_ = std::this_thread::get_id();
    }
    ParkUnlessEnder(line, parkedOnLine_);
  }

 private:
  void ParkUnlessEnder(std::unique_lock<std::mutex>& lock, std::condition_variable& parked) {
    parked.wait(lock, [this] { return !ender_ || *ender_ == std::this_thread::get_id(); });
  }

  std::mutex line_;
  std::mutex text_;
  // Never notified: parked threads stay parked. One for each lock, as a
  // condition variable waits with one mutex only.
  std::condition_variable parkedOnLine_;
  std::condition_variable parkedOnText_;
  std::optional<std::thread::id> ender_;
};

// The process's one gate.
WriteGate& Gate();

}  // namespace platform
