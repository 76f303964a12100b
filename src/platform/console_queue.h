// Console text on its way out: queued in program order by whoever writes it,
// written by a thread of its own, so that a console that takes nothing for a
// while (a pipe nobody reads, a selection in a console window) holds up no
// one else. Shared by the implementations of the seam.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace platform {

class ConsoleQueue {
 public:
  explicit ConsoleQueue(std::size_t boundBytes) : kBoundBytes(boundBytes) {}

  // Queues text whole, or drops it whole when the console has left more than
  // the bound unwritten: what the console shows stays in program order.
  void Post(std::string_view text) {
    {
      const std::scoped_lock lock(mutex_);
      if (!queued_.empty() && queued_.size() + text.size() > kBoundBytes) return;
      queued_ += text;
    }
    posted_.notify_one();
  }

  // The writer's loop: hands everything queued so far to write, again and
  // again, for good.
  template <class Write>
  [[noreturn]] void Serve(Write write) {
    std::string writing;
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        posted_.wait(lock, [this] { return !queued_.empty(); });
        writing.swap(queued_);
        busy_ = true;
      }
      write(std::string_view(writing));
      writing.clear();
      {
        const std::scoped_lock lock(mutex_);
        busy_ = false;
      }
      written_.notify_all();
    }
  }

  // True once everything posted has been written, false when wait ran out
  // first.
  bool WaitWritten(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    return written_.wait_for(lock, wait, [this] { return queued_.empty() && !busy_; });
  }

 private:
  const std::size_t kBoundBytes;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::condition_variable written_;
  std::string queued_;
  bool busy_ = false;  // the writer has text in hand
};

}  // namespace platform
