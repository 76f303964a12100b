// Loaded into a running program by set_screen_saver: Wine keeps the
// screen saver's running flag per process, so only a call made inside the
// program reaches what the program reads.
#include <windows.h>

#include <cstdint>

// A thread's start routine: running is 1 to switch the flag on, 0 to switch
// it off. Returns the system's error, 0 on success.
extern "C" __declspec(dllexport) DWORD WINAPI SetScreenSaverRunning(LPVOID running) {
  const BOOL on = reinterpret_cast<std::uintptr_t>(running) != 0 ? TRUE : FALSE;
  return SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, on, nullptr, 0) ? ERROR_SUCCESS
                                                                          : GetLastError();
}
