// The system's text for a GetLastError code, in the user's language.
#include <windows.h>

#include <array>
#include <string>

#include "platform/platform.h"
#include "platform/win32/code_pages.h"

namespace platform {
namespace {

bool IsBlankOrLineEnd(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The system's messages end with CR LF, and a few hold line ends inside: a
// blank stands for each run of them, so that the text stays one line.
std::wstring OnOneLine(std::wstring_view text) {
  while (!text.empty() && IsBlankOrLineEnd(text.back())) {
    text.remove_suffix(1);
  }
  std::wstring line;
  for (const wchar_t c : text) {
    if (c != L'\r' && c != L'\n') {
      line += c;
    } else if (!line.empty() && line.back() != L' ') {
      line += L' ';
    }
  }
  return line;
}

}  // namespace

std::string SystemErrorText(SystemError error) {
  std::array<wchar_t, 512> buffer{};
  // Language 0: the user's language first, as the system chooses it.
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     error.code, 0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
  const std::wstring text = OnOneLine(std::wstring_view(buffer.data(), length));
  if (text.empty()) {
    return "error " + std::to_string(error.code);
  }
  return win32::FromWide(text, CP_UTF8);
}

}  // namespace platform
