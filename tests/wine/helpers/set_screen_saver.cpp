// Switches the screen saver's running flag inside a running program:
//
//   set_screen_saver <image name> on|off
//
// Wine keeps that flag per process, so the call is made there, by
// screen_saver_flag.dll's export.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "remote_call.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || (std::wcscmp(argv[2], L"on") != 0 && std::wcscmp(argv[2], L"off") != 0)) {
    (void)std::fprintf(stderr, "usage: set_screen_saver <image name> on|off\n");
    return 2;
  }
  const std::uintptr_t running = std::wcscmp(argv[2], L"on") == 0 ? 1 : 0;
  return CallInProgram("set_screen_saver", argv[1], L"screen_saver_flag.dll",
                       "SetScreenSaverRunning", running);
}
