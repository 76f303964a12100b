#include "text/utf.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

struct Utf8AndUtf16 {
  std::string_view utf8;
  std::u16string_view utf16;
};

// Each boundary of each sequence length, and the edges around the surrogates.
constexpr Utf8AndUtf16 kWellFormed[] = {
    {"", u""},
    {std::string_view("a\0b", 3), std::u16string_view(u"a\0b", 3)},
    {"\x7F", u"\u007F"},
    {"\xC2\x80", u"\u0080"},
    {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
    {"\xDF\xBF", u"\u07FF"},
    {"\xE0\xA0\x80", u"\u0800"},
    {"\xE2\x82\xAC", u"\u20AC"},
    {"\xED\x9F\xBF", u"\uD7FF"},
    {"\xEE\x80\x80", u"\uE000"},
    {"\xEF\xBF\xBF", u"\uFFFF"},
    {"\xF0\x90\x80\x80", u"\U00010000"},
    {"\xF0\x9F\x98\x80", u"\U0001F600"},
    {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    {"Arduino \xE3\x83\x9C\xE3\x83\xBC\xE3\x83\x89", u"Arduino \u30DC\u30FC\u30C9"},
};

TEST(Utf8ToUtf16, DecodesWellFormedText) {
  for (const auto& [utf8, utf16] : kWellFormed) {
    SCOPED_TRACE(testing::PrintToString(std::string(utf8)));
    EXPECT_EQ(text::Utf8ToUtf16(utf8), std::u16string(utf16));
  }
}

TEST(Utf16ToUtf8, EncodesWellFormedText) {
  for (const auto& [utf8, utf16] : kWellFormed) {
    SCOPED_TRACE(testing::PrintToString(std::string(utf8)));
    EXPECT_EQ(text::Utf16ToUtf8(utf16), utf8);
  }
}

TEST(Utf8ToUtf16, RefusesIllFormedText) {
  constexpr std::string_view kIllFormed[] = {
      "\xC0\x80",          // overlong NUL
      "\xC1\xBF",          // overlong U+007F
      "\xE0\x9F\xBF",      // overlong U+07FF
      "\xF0\x8F\xBF\xBF",  // overlong U+FFFF
      "\xED\xA0\x80",      // surrogate U+D800
      "\xED\xBF\xBF",      // surrogate U+DFFF
      "\xF4\x90\x80\x80",  // U+110000
      "\xF5\x80\x80\x80",  // lead byte past U+10FFFF
      "\xFF",
      "\x80",  // continuation without a lead
      "\xC3",  // cut off at the end
      "\xE2\x82",
      "\xF0\x9F\x98",
      "\xC3Z",  // cut off by an ASCII byte
      "\xE2\x82Z",
      "ab\xFFgh",
      "\xE2\x82\xAC\x80",  // a stray continuation after a whole sequence
  };
  for (const std::string_view utf8 : kIllFormed) {
    SCOPED_TRACE(testing::PrintToString(std::string(utf8)));
    EXPECT_EQ(text::Utf8ToUtf16(utf8), std::nullopt);
  }
}

TEST(Utf8ToUtf16Lossy, KeepsWellFormedText) {
  for (const auto& [utf8, utf16] : kWellFormed) {
    SCOPED_TRACE(testing::PrintToString(std::string(utf8)));
    EXPECT_EQ(text::Utf8ToUtf16Lossy(utf8), utf16);
    EXPECT_EQ(text::WellFormedUtf8(utf8), utf8);
  }
}

TEST(Utf8ToUtf16Lossy, ReplacesEachMaximalIllFormedPiece) {
  constexpr Utf8AndUtf16 kCases[] = {
      {"a\xFFz", u"a\uFFFDz"},
      {"\xE2\x82Z", u"\uFFFDZ"},  // one piece: the two bytes could have begun U+20AC
      {"\xE2\x82", u"\uFFFD"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // ED cannot go on with A0
      {"\xC0\x80", u"\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x9F\x98\xF0\x9F\x98\x80", u"\uFFFD\U0001F600"},
  };
  for (const auto& [utf8, utf16] : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::string(utf8)));
    EXPECT_EQ(text::Utf8ToUtf16Lossy(utf8), utf16);
    EXPECT_EQ(text::WellFormedUtf8(utf8), text::Utf16ToUtf8(utf16));
  }
}

TEST(Utf16ToUtf8, ReplacesUnpairedSurrogates) {
  const struct {
    std::u16string utf16;
    std::string_view utf8;
  } cases[] = {
      {{char16_t{0xD800}}, "\xEF\xBF\xBD"},
      {{char16_t{0xDC00}}, "\xEF\xBF\xBD"},
      {{u'a', char16_t{0xD83D}}, "a\xEF\xBF\xBD"},
      {{char16_t{0xD83D}, u'z'}, "\xEF\xBF\xBDz"},
      {{char16_t{0xDE00}, char16_t{0xD83D}}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {{char16_t{0xD83D}, char16_t{0xD83D}, char16_t{0xDE00}}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
  };
  for (const auto& [utf16, utf8] : cases) {
    SCOPED_TRACE(testing::PrintToString(utf16));
    EXPECT_EQ(text::Utf16ToUtf8(utf16), utf8);
  }
}

TEST(TerminalSafe, EscapesEveryControlCharacterAndKeepsEveryOtherOne) {
  const struct {
    std::string_view shown;
    std::string_view safe;
  } cases[] = {
      {"Arduino Uno", "Arduino Uno"},
      {"USB シリアル デバイス", "USB シリアル デバイス"},
      {"\x1B[2J\x1B]0;owned\a", "\\x1B[2J\\x1B]0;owned\\x07"},
      {std::string_view("a\0b\r\n\t\x7F", 7), "a\\x00b\\x0D\\x0A\\x09\\x7F"},
      // C1 as UTF-8 encodes it (CSI, U+009B), and next to it the first
      // character past C1.
      {"\xC2\x9B"
       "2J\xC2\xA0",
       "\\xC2\\x9B2J\xC2\xA0"},
      {"\xFF\xE3\x81", "\\xFF\\xE3\\x81"},
  };
  for (const auto& [shown, safe] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(shown)));
    EXPECT_EQ(text::TerminalSafe(shown), safe);
  }
}

}  // namespace
