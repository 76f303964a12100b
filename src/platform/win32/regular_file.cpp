// A file on disk read whole, up to a bound: the list file.
#include <windows.h>

#include <algorithm>
#include <array>
#include <string>

#include "platform/platform.h"
#include "platform/win32/code_pages.h"

namespace platform {

std::string ReadRegularFile(const char* path, std::size_t maxBytes) {
  // Shared for reading and writing, so that an editor may keep it open.
  const HANDLE file = CreateFileW(win32::ToWide(path, CP_UTF8).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return {};
  }
  std::string bytes;
  // A pipe or a device could keep the reading waiting, or going, for good.
  if (GetFileType(file) == FILE_TYPE_DISK) {
    std::array<char, 4096> chunk{};
    while (bytes.size() < maxBytes) {
      DWORD got = 0;
      const auto wanted = static_cast<DWORD>(std::min(chunk.size(), maxBytes - bytes.size()));
      // A read error ends the reading like the end of the file.
      if (!ReadFile(file, chunk.data(), wanted, &got, nullptr) || got == 0) {
        break;
      }
      bytes.append(chunk.data(), got);
    }
  }
  CloseHandle(file);
  return bytes;
}

}  // namespace platform
