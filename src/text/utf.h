// Conversions between the UTF-8 text of files, the console and the platform
// and the UTF-16 text in which discovery keeps device names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace text {

// Strict decoding: nullopt for anything that is not well-formed UTF-8
// (overlong forms, encoded surrogates, code points above U+10FFFF, cut-off
// sequences, stray continuation bytes).
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);

// Decoding for text the system hands over unchecked: each ill-formed piece
// (the longest prefix that could still have begun a well-formed sequence, at
// least one byte) becomes U+FFFD.
std::u16string Utf8ToUtf16Lossy(std::string_view utf8);

// The same replacement, staying in UTF-8.
std::string WellFormedUtf8(std::string_view utf8);

// An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace text
