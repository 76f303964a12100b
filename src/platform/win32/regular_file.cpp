// A file on disk read whole, up to a bound: the list file.
#include <windows.h>

#include <algorithm>
#include <array>
#include <string>

#include "platform/platform.h"
#include "platform/win32/code_pages.h"

namespace platform {

namespace {

SystemError LastError() { return {.code = GetLastError()}; }

}  // namespace

std::string ReadRegularFile(const char* path, std::size_t maxBytes,
                            std::optional<SystemError>& unreadable) {
  // Shared for reading and writing, so that an editor may keep it open.
  const HANDLE file = CreateFileW(win32::ToWide(path, CP_UTF8).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const SystemError error = LastError();
    if (error.code != ERROR_FILE_NOT_FOUND && error.code != ERROR_PATH_NOT_FOUND) {
      unreadable = error;
    }
    return {};
  }
  std::string bytes;
  // A pipe or a device could keep the reading waiting, or going, for good.
  if (GetFileType(file) == FILE_TYPE_DISK) {
    std::array<char, 4096> chunk{};
    while (bytes.size() < maxBytes) {
      DWORD got = 0;
      const auto wanted = static_cast<DWORD>(std::min(chunk.size(), maxBytes - bytes.size()));
      if (!ReadFile(file, chunk.data(), wanted, &got, nullptr)) {
        unreadable = LastError();
        bytes.clear();
        break;
      }
      if (got == 0) break;
      bytes.append(chunk.data(), got);
    }
  }
  CloseHandle(file);
  return bytes;
}

}  // namespace platform
