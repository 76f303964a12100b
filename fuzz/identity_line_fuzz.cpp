// The board's identity line: whatever bytes a device sends after the port is
// opened, read and checked as at start-up over the unit tests' fake platform.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/end_routines.h"
#include "app/globals.h"
#include "fake/fake_platform.h"
#include "fuzz/require.h"
#include "serial/lamp_protocol.h"
#include "serial/line_assembly.h"
#include "text/utf.h"

namespace {

// What a device sent up to its first CR, without LFs; nullopt without a CR.
std::optional<std::string> SentLine(std::string_view bytes) {
  const std::size_t cr = bytes.find('\r');
  if (cr == std::string_view::npos) return std::nullopt;
  std::string line;
  for (const char byte : bytes.substr(0, cr)) {
    if (byte != '\n') line += byte;
  }
  return line;
}

// Nothing a device sends reaches the terminal as a control character or as
// text that is not UTF-8.
bool SafeForTerminal(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && byte != '\n') || byte == 0x7F) return false;
  }
  return text::Utf8ToUtf16(text).has_value();
}

void CheckPrintable(const std::string& line) {
  const std::string shown = PrintableLine(line);
  Require(shown.size() >= line.size() && shown.size() <= 4 * line.size(),
          "each byte shows as 1 or 4");
  Require(SafeForTerminal(shown) && shown.find('\n') == std::string::npos,
          "a shown line is printable ASCII");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fake::Reset();
  hComm = static_cast<platform::PortHandle>(7);
  fake::Receive(bytes);
  const auto end = fake::EndStatusOf([] { CheckModuleName(); });
  const auto line = SentLine(bytes);
  Require(!end || *end == kStatusNothingToDrive,
          "another identity, or none in time, is nothing to drive");
  const bool accepted = !end;
  Require(accepted == (line == strModuleName), "exactly our identity is accepted");
  Require(SafeForTerminal(fake::State().Console()), "the console shows no control sequence");
  Require(fake::State().Bytes().empty(), "the handshake sends nothing");
  if (line) CheckPrintable(*line);
  return 0;
}
