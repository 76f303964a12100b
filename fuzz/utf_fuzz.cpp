// The UTF-8 and UTF-16 conversions, and the text shown on a terminal, on any
// bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "text/utf.h"

namespace {

void CheckDecoding(std::string_view utf8) {
  const auto strict = text::Utf8ToUtf16(utf8);
  const std::u16string lossy = text::Utf8ToUtf16Lossy(utf8);
  if (strict) {
    Require(*strict == lossy, "well-formed text decodes alike both ways");
    Require(text::Utf16ToUtf8(*strict) == utf8, "well-formed text survives the round trip");
  } else {
    Require(lossy.find(u'\uFFFD') != std::u16string::npos, "ill-formed text shows a replacement");
  }
  Require(text::Utf8ToUtf16(text::Utf16ToUtf8(lossy)) == lossy,
          "lossy output re-encodes to well-formed UTF-8");
}

void CheckEncoding(std::u16string_view utf16) {
  const auto back = text::Utf8ToUtf16(text::Utf16ToUtf8(utf16));
  Require(back.has_value(), "any UTF-16 encodes to well-formed UTF-8");
  Require(back->size() == utf16.size(), "each unit or pair keeps its length in UTF-16");
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    Require((*back)[i] == utf16[i] || (*back)[i] == u'\uFFFD', "only unpaired surrogates change");
  }
}

// Whatever a device or the system names, what reaches the terminal is
// well-formed UTF-8 with no control character, and well-formed text without
// any comes through unchanged.
void CheckTerminalSafe(std::string_view utf8) {
  const std::string safe = text::TerminalSafe(utf8);
  const auto decoded = text::Utf8ToUtf16(safe);
  Require(decoded.has_value(), "terminal-safe text is well-formed UTF-8");
  for (const char16_t unit : *decoded) {
    Require(unit >= 0x20 && (unit < 0x7F || unit > 0x9F), "terminal-safe text has no control");
  }
  if (text::Utf8ToUtf16(utf8) && safe.find("\\x") == std::string::npos) {
    Require(safe == utf8, "text without controls comes through unchanged");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckDecoding(bytes);
  CheckTerminalSafe(bytes);
  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8U));
  }
  CheckEncoding(units);
  return 0;
}
