#include "platform/win32/window_names.h"

#include <array>
#include <string_view>

#include "platform/win32/code_pages.h"

namespace platform::win32 {
namespace {

// Class names are at most 256 characters long.
constexpr int kClassChars = 257;

std::string ProgramImage(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  // Enough for an elevated process too, where a full query is refused.
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) {
    return "?";
  }
  std::array<wchar_t, MAX_PATH> path{};
  auto length = static_cast<DWORD>(path.size());
  const bool named = QueryFullProcessImageNameW(process, 0, path.data(), &length) != FALSE;
  CloseHandle(process);
  if (!named) {
    return "?";
  }
  const std::wstring_view image(path.data(), length);
  return FromWide(image.substr(image.find_last_of(L'\\') + 1), CP_UTF8);
}

}  // namespace

std::string WindowClass(HWND window) {
  std::array<wchar_t, kClassChars> name{};
  const int length = GetClassNameW(window, name.data(), kClassChars);
  std::string quoted = "\"";
  quoted += FromWide(std::wstring_view(name.data(), length > 0 ? length : 0), CP_UTF8);
  quoted += '"';
  return quoted;
}

std::string WindowAndProgram(HWND window) {
  std::string named = WindowClass(window);
  named += " (";
  named += ProgramImage(window);
  named += ')';
  return named;
}

}  // namespace platform::win32
