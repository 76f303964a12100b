// Loaded into a running program by show_window: a window of the program's
// own, on a thread of its own that takes its messages until the program ends.
#include <windows.h>

#include "test_window.h"

namespace {

struct Started {
  HANDLE created;
  DWORD error;
};

DWORD WINAPI RunWindow(LPVOID startedAddress) {
  auto* started = static_cast<Started*>(startedAddress);
  RegisterTestWindowClass(DefWindowProcW);
  const HWND window =
      CreateWindowExW(0, kTestWindowClass, L"morvane test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                      320, 240, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  started->error =
      window != nullptr && SetForegroundWindow(window) ? ERROR_SUCCESS : GetLastError();
  SetEvent(started->created);
  MSG message{};
  while (window != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

// A thread's start routine; returns the system's error, 0 once the window is
// the foreground window.
extern "C" __declspec(dllexport) DWORD WINAPI ShowForegroundWindow(LPVOID /*unused*/) {
  Started started{CreateEventW(nullptr, TRUE, FALSE, nullptr), ERROR_SUCCESS};
  const HANDLE thread = CreateThread(nullptr, 0, RunWindow, &started, 0, nullptr);
  if (thread == nullptr) {
    CloseHandle(started.created);
    return GetLastError();
  }
  CloseHandle(thread);
  WaitForSingleObject(started.created, INFINITE);
  CloseHandle(started.created);
  return started.error;
}
