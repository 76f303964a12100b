#include "text/utf.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The well-formed multi-byte sequences by lead byte (Unicode table 3-7). The
// second byte's range is narrowed so that overlong forms, surrogates and
// code points above U+10FFFF are refused as early as the second byte.
struct Lead {
  unsigned char first;
  unsigned char last;
  std::size_t length;
  unsigned char secondLow;
  unsigned char secondHigh;
};

constexpr std::array<Lead, 8> kLeads{{
    {0xC2, 0xDF, 2, 0x80, 0xBF},
    {0xE0, 0xE0, 3, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF},
    {0xF4, 0xF4, 4, 0x80, 0x8F},
}};

// One decoded code point, or none for an ill-formed piece, and the bytes it
// took.
struct Step {
  std::optional<char32_t> codePoint;
  std::size_t length = 0;
};

Step DecodeStep(std::string_view utf8, std::size_t pos) {
  const auto byte = static_cast<unsigned char>(utf8[pos]);
  if (byte < 0x80) {
    return {byte, 1};
  }
  const auto* lead = std::find_if(kLeads.begin(), kLeads.end(), [byte](const Lead& candidate) {
    return byte >= candidate.first && byte <= candidate.last;
  });
  if (lead == kLeads.end()) {
    return {std::nullopt, 1};
  }
  char32_t codePoint = byte & (0xFFu >> (lead->length + 1));
  for (std::size_t i = 1; i < lead->length; ++i) {
    if (pos + i >= utf8.size()) {
      return {std::nullopt, i};
    }
    const auto next = static_cast<unsigned char>(utf8[pos + i]);
    const unsigned char low = i == 1 ? lead->secondLow : 0x80;
    const unsigned char high = i == 1 ? lead->secondHigh : 0xBF;
    if (next < low || next > high) {
      return {std::nullopt, i};
    }
    codePoint = (codePoint << 6u) | (next & 0x3Fu);
  }
  return {codePoint, lead->length};
}

void AppendUtf16(std::u16string& out, char32_t codePoint) {
  if (codePoint < 0x10000) {
    out.push_back(static_cast<char16_t>(codePoint));
    return;
  }
  const char32_t offset = codePoint - 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10u)));
  out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FFu)));
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  const auto put = [&out](char32_t byte) { out.push_back(static_cast<char>(byte)); };
  const auto continuation = [](char32_t bits, unsigned shift) {
    return 0x80u | ((bits >> shift) & 0x3Fu);
  };
  if (codePoint < 0x80) {
    put(codePoint);
  } else if (codePoint < 0x800) {
    put(0xC0u | (codePoint >> 6u));
    put(continuation(codePoint, 0));
  } else if (codePoint < 0x10000) {
    put(0xE0u | (codePoint >> 12u));
    put(continuation(codePoint, 6));
    put(continuation(codePoint, 0));
  } else {
    put(0xF0u | (codePoint >> 18u));
    put(continuation(codePoint, 12));
    put(continuation(codePoint, 6));
    put(continuation(codePoint, 0));
  }
}

// Appends the decoded text to out. An ill-formed piece becomes U+FFFD when
// replace is set; otherwise decoding stops there and the result is false.
bool Decode(std::string_view utf8, bool replace, std::u16string& out) {
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const Step step = DecodeStep(utf8, pos);
    if (!step.codePoint && !replace) {
      return false;
    }
    AppendUtf16(out, step.codePoint.value_or(kReplacement));
    pos += step.length;
  }
  return true;
}

// C0, DEL and C1: the characters that begin or make up terminal control
// sequences.
bool IsControl(char32_t codePoint) {
  return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code point at pos and the code units it takes.
std::pair<char32_t, std::size_t> ReadUtf16(std::u16string_view utf16, std::size_t pos) {
  const char16_t unit = utf16[pos];
  if (IsHighSurrogate(unit) && pos + 1 < utf16.size() && IsLowSurrogate(utf16[pos + 1])) {
    const char32_t high = unit - 0xD800u;
    const char32_t low = utf16[pos + 1] - 0xDC00u;
    return {0x10000 + (high << 10u) + low, 2};
  }
  if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
    return {kReplacement, 1};
  }
  return {unit, 1};
}

}  // namespace

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
  std::u16string utf16;
  if (!Decode(utf8, false, utf16)) {
    return std::nullopt;
  }
  return utf16;
}

std::u16string Utf8ToUtf16Lossy(std::string_view utf8) {
  std::u16string utf16;
  Decode(utf8, true, utf16);
  return utf16;
}

std::string WellFormedUtf8(std::string_view utf8) { return Utf16ToUtf8(Utf8ToUtf16Lossy(utf8)); }

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string utf8;
  utf8.reserve(utf16.size());
  for (std::size_t pos = 0; pos < utf16.size();) {
    const auto [codePoint, length] = ReadUtf16(utf16, pos);
    AppendUtf8(utf8, codePoint);
    pos += length;
  }
  return utf8;
}

void AppendEscapedByte(std::string& out, unsigned char byte) {
  static constexpr std::string_view kHex = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4U];
  out += kHex[byte & 0x0FU];
}

std::string TerminalSafe(std::string_view utf8) {
  std::string shown;
  shown.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const Step step = DecodeStep(utf8, pos);
    const std::string_view piece = utf8.substr(pos, step.length);
    if (step.codePoint && !IsControl(*step.codePoint)) {
      shown += piece;
    } else {
      for (const char byte : piece) AppendEscapedByte(shown, static_cast<unsigned char>(byte));
    }
    pos += step.length;
  }
  return shown;
}

}  // namespace text
