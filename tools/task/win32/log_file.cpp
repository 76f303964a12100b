#include "log_file.h"

#include <windows.h>

#include "log_lines.h"
#include "platform/platform.h"

namespace task::win32 {
namespace {

LocalTime Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {.year = now.wYear,
          .month = now.wMonth,
          .day = now.wDay,
          .hour = now.wHour,
          .minute = now.wMinute,
          .second = now.wSecond,
          .millisecond = now.wMilliseconds};
}

// Opened for each line and closed again, so that the user may open, move or
// delete the log at any time; a line is added whole by one write.
HANDLE OpenForAppending(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_APPEND_DATA,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

void AppendToLog(const std::wstring& folder, std::string_view text) {
  const std::wstring path = folder + L"\\morvane.log";
  const std::string line = StampedLine(Now(), text);
  HANDLE log = OpenForAppending(path);
  if (log == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(log, &size) &&
      RotateBefore(static_cast<std::uint64_t>(size.QuadPart), line.size())) {
    CloseHandle(log);
    MoveFileExW(path.c_str(), (path + L".1").c_str(), MOVEFILE_REPLACE_EXISTING);
    log = OpenForAppending(path);
    if (log == INVALID_HANDLE_VALUE) return;
  }
  DWORD written = 0;
  WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(log);
}

void AppendFailureToLog(const std::wstring& folder, std::string_view what, std::uint32_t code) {
  AppendToLog(folder, std::string(what) + "理由: " + platform::SystemErrorText({.code = code}));
}

}  // namespace task::win32
