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
#include <system_error>
#include <thread>

#include "platform/console_writer.h"
#include "platform/platform.h"
#include "platform/win32/code_pages.h"
#include "platform/win32/console_events.h"
#include "platform/win32/console_window.h"

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

// How long input waits for the console to show the text before it, so that a
// prompt is not written after what the user types, nor the command
// processor's PAUSE before the program's own text.
constexpr std::uint32_t kTextBeforeInputWaitMs = 1000;

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

// The first kInputLineBytes bytes of line, never cutting a character.
std::string Bounded(std::string line) {
  if (line.size() <= kInputLineBytes) {
    return line;
  }
  std::size_t cut = kInputLineBytes;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0U) == 0x80U) {
    --cut;
  }
  line.resize(cut);
  return line;
}

// Typed in line mode, a line always ends with Enter; what lies beyond the
// bound is read and dropped.
std::optional<std::string> ReadConsoleLine(HANDLE console) {
  std::wstring line;
  bool ended = false;
  std::array<wchar_t, 256> chunk{};
  while (!ended) {
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
    const std::wstring_view got(chunk.data(), read);
    ended = got.ends_with(L'\n');
    if (line.size() <= kInputLineBytes) {
      line.append(got);
    }
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
  return Bounded(FromWide(line, CP_UTF8));
}

// One byte per read, so nothing past the line is taken from an input that
// the command processor behind Pause reads next. At most kInputLineBytes
// bytes, so that an input that never ends a line ends the reading all the
// same.
std::optional<std::string> ReadRedirectedLine(HANDLE input) {
  std::string line;
  bool complete = false;
  char byte = 0;
  DWORD read = 0;
  while (!complete && line.size() < kInputLineBytes && ReadFile(input, &byte, 1, &read, nullptr) &&
         read == 1) {
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
  return Bounded(FromWide(ToWide(line, kShiftJis), CP_UTF8));
}

}  // namespace

// The standard handles of a Windows process never lend their numbers to a
// file the program opens, and a write to a closed one fails and is dropped:
// nothing to do.
bool PrepareStandardStreams() { return true; }

namespace detail {

void WriteToStandardOutput(std::string_view utf8) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (IsConsole(out)) {
    WriteToConsole(out, ToWide(utf8, CP_UTF8));
  } else {
    WriteToFile(out, FromWide(ToWide(WithCrLf(utf8), CP_UTF8), kShiftJis));
  }
}

// No signals on Windows: console events come on threads of their own.
bool StartQuietThread(void (*body)()) {
  try {
    std::thread(body).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace detail

namespace win32 {

bool StartedHidden() {
  static const bool hidden = [] {
    DWORD process = 0;
    return GetConsoleWindow() == nullptr && GetConsoleProcessList(&process, 1) != 0;
  }();
  return hidden;
}

}  // namespace win32

std::optional<std::string> ReadLine() {
  detail::WaitForConsole(kTextBeforeInputWaitMs);
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  return IsConsole(in) ? ReadConsoleLine(in) : ReadRedirectedLine(in);
}

void Pause(int endStatus) {
  win32::ConsoleEventsEndWith(endStatus);
  detail::WaitForConsole(kTextBeforeInputWaitMs);
  std::system("PAUSE");
}

}  // namespace platform
