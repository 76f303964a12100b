// Opens a window inside a running program and makes it the foreground
// window, so that the program's own input-method queries have a window to
// ask: Wine gives no IME window to another process's windows.
//
//   show_window <image name>
#include <windows.h>

#include <cstdio>

#include "remote_call.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    (void)std::fprintf(stderr, "usage: show_window <image name>\n");
    return 2;
  }
  return CallInProgram("show_window", argv[1], L"foreground_window.dll", "ShowForegroundWindow", 0);
}
