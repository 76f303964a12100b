// Console text through one writer thread, in program order.
#include <chrono>

#include "platform/console_queue.h"
#include "platform/console_writer.h"
#include "platform/platform.h"
#include "platform/write_gate.h"

namespace platform {
namespace {

// What a stalled console may leave unwritten before further text is dropped:
// far more than the program ever prints at once.
constexpr std::size_t kUnwrittenBoundBytes = std::size_t{64} * 1024;

ConsoleQueue& Queue() {
  // Never destroyed: the writer still waits on it when the process ends.
  static auto* queue = new ConsoleQueue(kUnwrittenBoundBytes);
  return *queue;
}

void Write() { Queue().Serve(detail::WriteToStandardOutput); }

}  // namespace

void WriteText(std::string_view utf8) {
  static const bool writerRuns = detail::StartQuietThread(Write);
  Gate().Text([utf8] {
    if (writerRuns) {
      Queue().Post(utf8);
    } else {
      // Without a thread of its own the text goes out at once.
      detail::WriteToStandardOutput(utf8);
    }
  });
}

namespace detail {

bool WaitForConsole(std::uint32_t ms) { return Queue().WaitWritten(std::chrono::milliseconds(ms)); }

}  // namespace detail
}  // namespace platform
