// A serial port opened as a file: synchronous, exclusive, one byte at a time.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/away.h"
#include "platform/platform.h"
#include "platform/win32/code_pages.h"
#include "platform/win32/line_record.h"
#include "platform/write_gate.h"

namespace platform {
namespace {

// COM10 and above open only through the device namespace, and the lower
// numbers open through it just as well.
constexpr std::string_view kDeviceNamespace = R"(\\.\)";

// A handle is a number the kernel hands out; no memory is reached through it.
HANDLE ToHandle(PortHandle port) {
  return reinterpret_cast<HANDLE>(  // NOLINT(performance-no-int-to-ptr)
      static_cast<std::intptr_t>(port));
}

PortHandle ToPort(HANDLE handle) {
  return static_cast<PortHandle>(reinterpret_cast<std::intptr_t>(handle));
}

// ok, with the system's reason when a call failed.
bool Succeeded(BOOL ok, SystemError& error) {
  if (!ok) {
    error.code = GetLastError();
  }
  return ok != FALSE;
}

}  // namespace

// Access denied on Windows means another program has the port, not a
// missing permission, so failure carries the system's reason alone.
PortHandle OpenPort(const std::string& name, OpenFailure& failure) {
  const std::string path =
      name.starts_with(kDeviceNamespace) ? name : std::string(kDeviceNamespace) + name;
  const HANDLE handle =
      CreateFileW(win32::ToWide(path, CP_UTF8).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    failure.error.code = GetLastError();
    return kNoPort;
  }
  return ToPort(handle);
}

bool SetQueueSizes(PortHandle port, std::uint32_t inBytes, std::uint32_t outBytes,
                   SystemError& error) {
  return Succeeded(SetupComm(ToHandle(port), inBytes, outBytes), error);
}

bool PurgePort(PortHandle port, SystemError& error) {
  const HANDLE handle = ToHandle(port);
  DWORD errors = 0;
  // An error left by the line's last user would otherwise hold up the
  // reads and writes that follow.
  return Succeeded(PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR),
                   error) &&
         Succeeded(ClearCommError(handle, &errors, nullptr), error);
}

bool ApplyLineSettings(PortHandle port, const LineSettings& settings, SystemError& error) {
  const HANDLE handle = ToHandle(port);
  DCB reported{};
  if (!GetCommState(handle, &reported)) {
    reported = DCB{};
  }
  DCB dcb = win32::LampLineRecord(reported, settings);
  return Succeeded(SetCommState(handle, &dcb), error);
}

bool SetTimeouts(PortHandle port, const PortTimeouts& timeouts, SystemError& error) {
  COMMTIMEOUTS commTimeouts{};
  commTimeouts.ReadIntervalTimeout = 0;
  commTimeouts.ReadTotalTimeoutMultiplier = 0;
  commTimeouts.ReadTotalTimeoutConstant = timeouts.readTotalMs;
  commTimeouts.WriteTotalTimeoutMultiplier = 0;
  commTimeouts.WriteTotalTimeoutConstant = timeouts.writeTotalMs;
  return Succeeded(SetCommTimeouts(ToHandle(port), &commTimeouts), error);
}

ReadOutcome ReadByte(PortHandle port, SystemError& error) {
  ReadOutcome outcome;
  DWORD read = 0;
  outcome.ok = Succeeded(ReadFile(ToHandle(port), &outcome.byte, 1, &read, nullptr), error);
  outcome.count = read;
  return outcome;
}

bool WriteHeld(PortHandle port, char byte, SystemError& error) {
  DWORD written = 0;
  if (!Succeeded(WriteFile(ToHandle(port), &byte, 1, &written, nullptr), error)) return false;
  // A write that times out succeeds having written nothing.
  if (written != 1) error.code = ERROR_TIMEOUT;
  return written == 1;
}

bool WriteByte(PortHandle port, char byte, SystemError& error) {
  return Gate().Through([port, byte, &error] { return WriteHeld(port, byte, error); });
}

void ClosePort(PortHandle port) { CloseHandle(ToHandle(port)); }

}  // namespace platform
