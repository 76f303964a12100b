// The process on Linux: priority, the end, whether a service manager started
// it, and time.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/console_writer.h"
#include "platform/linux/cycle_budget.h"
#include "platform/linux/exclusive_line.h"
#include "platform/platform.h"

namespace platform {
namespace {

constexpr int kIdleNice = 19;
// How long the end gives the console to take its last text.
constexpr std::uint32_t kLastTextWaitMs = 500;

}  // namespace

bool LowerPriority(SystemError& error) {
  if (::setpriority(PRIO_PROCESS, 0, kIdleNice) == 0) return true;
  error.code = static_cast<std::uint32_t>(errno);
  return false;
}

bool StartedAsService() {
  // systemd sets INVOCATION_ID for each unit it runs.
  const char* id = std::getenv("INVOCATION_ID");
  return id != nullptr && *id != '\0';
}

void EndProcess(int status) {
  linux_os::LeaveLineAsFound();
  detail::WaitForConsole(kLastTextWaitMs);
  // _exit leaves alone the state that another thread may still be using.
  ::_exit(status);
}

std::uint64_t NowMs() { return linux_os::MonotonicUs() / 1000U; }

std::uint64_t linux_os::MonotonicUs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000U +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000U;
}

linux_os::CycleBudget& linux_os::ThreadCycleBudget() {
  // One a thread: the monitor's cycles are its own, whatever another thread asks.
  thread_local CycleBudget budget;
  return budget;
}

void SleepMs(std::uint32_t ms) {
  linux_os::ThreadCycleBudget().NewCycle();
  timespec remaining{.tv_sec = ms / 1000, .tv_nsec = static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace platform
