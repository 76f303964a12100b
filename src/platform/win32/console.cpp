// Console text: UTF-16 straight to and from a console, so Japanese reads
// right under any console code page; Shift_JIS with CR LF line ends when
// redirected, as the C runtime's text mode would write and read it.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/win32/code_pages.h"
#include "platform/write_gate.h"

namespace platform {
namespace {

using win32::FromWide;
using win32::kShiftJis;
using win32::ToWide;

// Pieces small enough for the console's 64 KB shared buffer.
constexpr std::size_t kChunk = 8192;

// Ctrl+Z typed at the start of a line ends console input, as it does for
// every program built on the C runtime.
constexpr wchar_t kEndOfInput = L'\x1a';

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != FALSE;
}

void WriteToConsole(HANDLE console, std::wstring_view text) {
  while (!text.empty()) {
    std::size_t chunk = std::min(text.size(), kChunk);
    // A surrogate pair split across two writes would show as two bad glyphs.
    if (chunk < text.size() && IS_HIGH_SURROGATE(text[chunk - 1])) {
      --chunk;
    }
    DWORD written = 0;
    if (!WriteConsoleW(console, text.data(), static_cast<DWORD>(chunk), &written, nullptr) ||
        written == 0) {
      return;
    }
    text.remove_prefix(written);
  }
}

void WriteToFile(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min(bytes.size(), kChunk));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
      return;
    }
    bytes.remove_prefix(written);
  }
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (const char c : text) {
    if (c == '\n') {
      out += '\r';
    }
    out += c;
  }
  return out;
}

std::optional<std::string> ReadConsoleLine(HANDLE console) {
  std::wstring line;
  std::array<wchar_t, 256> chunk{};
  while (line.empty() || line.back() != L'\n') {
    DWORD read = 0;
    SetLastError(ERROR_SUCCESS);
    if (!ReadConsoleW(console, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
      break;
    }
    if (read == 0) {
      // Ctrl+C cuts the read short and goes to the event handler; the
      // line is still to be typed.
      if (GetLastError() == ERROR_OPERATION_ABORTED) {
        continue;
      }
      break;
    }
    line.append(chunk.data(), read);
  }
  if (line.empty() || line.front() == kEndOfInput) {
    return std::nullopt;
  }
  if (line.ends_with(L'\n')) {
    line.pop_back();
  }
  if (line.ends_with(L'\r')) {
    line.pop_back();
  }
  return FromWide(line, CP_UTF8);
}

// One byte per read, so nothing past the line is taken from an input that
// the command processor behind Pause reads next.
std::optional<std::string> ReadRedirectedLine(HANDLE input) {
  std::string line;
  bool complete = false;
  char byte = 0;
  DWORD read = 0;
  while (!complete && ReadFile(input, &byte, 1, &read, nullptr) && read == 1) {
    complete = byte == '\n';
    if (!complete) {
      line += byte;
    }
  }
  if (line.empty() && !complete) {
    return std::nullopt;
  }
  if (line.ends_with('\r')) {
    line.pop_back();
  }
  return FromWide(ToWide(line, kShiftJis), CP_UTF8);
}

}  // namespace

void WriteText(std::string_view utf8) {
  Gate().Through([utf8] {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (IsConsole(out)) {
      WriteToConsole(out, ToWide(utf8, CP_UTF8));
    } else {
      WriteToFile(out, FromWide(ToWide(WithCrLf(utf8), CP_UTF8), kShiftJis));
    }
  });
}

std::optional<std::string> ReadLine() {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  return IsConsole(in) ? ReadConsoleLine(in) : ReadRedirectedLine(in);
}

void Pause() { std::system("PAUSE"); }

}  // namespace platform
