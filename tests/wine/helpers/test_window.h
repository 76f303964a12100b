// The class of the tests' own windows, for a helper's module loaded into the
// program and for the platform's test program alike.
#pragma once

#include <windows.h>

inline constexpr wchar_t kTestWindowClass[] = L"morvane.test.window";

// Once in a process, with the procedure that its windows' messages go to.
inline void RegisterTestWindowClass(WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kTestWindowClass;
  RegisterClassExW(&windowClass);
}
