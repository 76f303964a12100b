#include <windows.h>

#include <cstdlib>

#include "platform/console_writer.h"
#include "platform/platform.h"
#include "platform/win32/console_window.h"

namespace platform {
namespace {

// How long the end gives the console to take its last text.
constexpr std::uint32_t kLastTextWaitMs = 500;

}  // namespace

bool LowerPriority(SystemError& error) {
  if (!SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS)) {
    error.code = GetLastError();
    return false;
  }
  return true;
}

// Ending at once keeps static destructors from running under threads that
// still use what they destroy; the caller may be any thread.
void EndProcess(int status) {
  detail::WaitForConsole(kLastTextWaitMs);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  // Reached only when the system refused to end the process that way.
  std::_Exit(status);
}

// Task Scheduler starts it through morvane-task, which gives it a console
// without a window.
bool StartedAsService() { return win32::StartedHidden(); }

std::uint64_t NowMs() { return GetTickCount64(); }

void SleepMs(std::uint32_t ms) { Sleep(ms); }

}  // namespace platform
