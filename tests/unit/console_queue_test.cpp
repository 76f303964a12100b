#include "platform/console_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A console that takes nothing until it is let go.
struct StalledConsole {
  std::mutex mutex;
  std::condition_variable changed;
  bool letGo = false;
  bool writing = false;
  std::string shown;

  void Write(std::string_view text) {
    std::unique_lock lock(mutex);
    writing = true;
    changed.notify_all();
    changed.wait(lock, [this] { return letGo; });
    shown += text;
  }
};

TEST(ConsoleQueue, KeepsProgramOrderAndDropsWhatAStalledConsoleLeavesBeyondTheBound) {
  // Leaked with the writer, which serves for good.
  auto* console = new StalledConsole;
  auto* queue = new platform::ConsoleQueue(8);
  std::thread([console, queue] {
    queue->Serve([console](std::string_view text) { console->Write(text); });
  }).detach();

  queue->Post("first");
  {
    std::unique_lock lock(console->mutex);
    console->changed.wait(lock, [console] { return console->writing; });
  }
  queue->Post("abc");
  queue->Post("defgh");
  queue->Post("X");  // nine bytes unwritten: over the bound
  EXPECT_FALSE(queue->WaitWritten(50ms));
  {
    const std::scoped_lock lock(console->mutex);
    console->letGo = true;
  }
  console->changed.notify_all();
  ASSERT_TRUE(queue->WaitWritten(10s));
  const std::scoped_lock lock(console->mutex);
  EXPECT_EQ(console->shown, "firstabcdefgh");
}

}  // namespace
