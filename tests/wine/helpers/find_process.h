// Finding the program under test from a helper that runs beside it.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

// Closes the handle it holds; for handles that are null or
// INVALID_HANDLE_VALUE on failure alike.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (Valid()) CloseHandle(handle_);
  }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The id of the one process running imageName (morvane.exe); nullopt when
// none or several do, as a helper acting on the wrong one would mislead.
std::optional<DWORD> FindOnlyProcess(const wchar_t* imageName);

// The top-level windows of the process: the program's own and those the
// system made for it (its input method's). The program makes its window on
// a thread of its own as it begins to monitor, so they are waited for a
// while; empty when none came.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);

// The top-level windows of the one process running imageName; empty, once
// standard error has said why under the helper's name, when there is no
// such process or no such window.
std::vector<HWND> WindowsOfOnlyProcess(const char* helper, const wchar_t* imageName);
