#include <windows.h>

#include <cstdlib>

#include "platform/platform.h"

namespace platform {

bool LowerPriority(std::uint32_t& errorCode) {
  if (!SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS)) {
    errorCode = GetLastError();
    return false;
  }
  return true;
}

// Text leaves WriteText unbuffered, so there is nothing to flush. Ending
// at once keeps static destructors from running under threads that still
// use what they destroy; the caller may be any thread.
void EndProcess(int status) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  // Reached only when the system refused to end the process that way.
  std::_Exit(status);
}

// The Windows program runs in a console window of its own, never as a
// service.
bool StartedAsService() { return false; }

std::uint64_t NowMs() { return GetTickCount64(); }

void SleepMs(std::uint32_t ms) { Sleep(ms); }

}  // namespace platform
