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

// Appends byte as a terminal shows it harmlessly: "\x1B".
void AppendEscapedByte(std::string& out, unsigned char byte);

// Text from outside the program (names that the system or a device gives, a
// line typed or read from a file) as it may be shown on a terminal: each
// control character (C0, DEL and C1) and each byte of an ill-formed piece as
// \xNN, every other character as it is, so that a name can neither steer the
// terminal nor lose the characters a user copies from it.
std::string TerminalSafe(std::string_view utf8);

}  // namespace text
