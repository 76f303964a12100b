// The task in Task Scheduler's root folder, through the scheduler's COM
// interface. Each returns S_OK or the scheduler's failure.
#pragma once

#include <windows.h>

#include <string>

namespace task::win32 {

// Registers the task \morvane with definition (its XML), or replaces it, to
// run with the user's own log-on.
HRESULT RegisterTask(const std::wstring& definition);

// Starts the task now; a running one is left alone.
HRESULT RunTask();

// Removes the task; S_OK also when there is none.
HRESULT DeleteTask();

}  // namespace task::win32
