#include "discovery/list_line.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace {

using discovery::ClassifyListLine;
using discovery::LineKind;

struct Case {
  std::string_view line;
  bool isFirstLine;
  LineKind kind;
  std::u16string_view entry;
};

void ExpectClassified(const Case& c) {
  SCOPED_TRACE(testing::PrintToString(std::string(c.line)) + (c.isFirstLine ? " first" : ""));
  const discovery::ListLine result = ClassifyListLine(c.line, c.isFirstLine);
  EXPECT_EQ(result.kind, c.kind);
  EXPECT_EQ(result.entry, c.entry);
}

// Lines after the first, each of that kind with no entry.
void ExpectEach(LineKind kind, std::initializer_list<std::string_view> lines) {
  for (const std::string_view line : lines) {
    ExpectClassified({line, false, kind, u""});
  }
}

// Lines after the first, each its own entry. They are ASCII, so each byte
// stands for itself in UTF-16.
void ExpectEachKeptAsItStands(std::initializer_list<std::string_view> lines) {
  for (const std::string_view line : lines) {
    ExpectClassified({line, false, LineKind::Entry, std::u16string(line.begin(), line.end())});
  }
}

TEST(ClassifyListLine, SkipsEmptyLinesAndCommentsAtTheVeryStart) {
  // The last: a comment need not be UTF-8.
  ExpectEach(LineKind::Skip, {"", "//", "///", "// Arduino Uno", "//\xFF"});
  // Anywhere but at the very start, "//" is part of the entry.
  ExpectEachKeptAsItStands({"/", "/ /x", " //x", "\t//x", "desc // note"});
}

TEST(ClassifyListLine, KeepsEntriesByteForByte) {
  ExpectEachKeptAsItStands({"Arduino Uno", "arduino UNO", "  Arduino Uno  ", "   ", "\t", "a\rb"});
  ExpectClassified({"USB \xE3\x82\xB7\xE3\x83\xAA\xE3\x82\xA2\xE3\x83\xAB", false, LineKind::Entry,
                    u"USB \u30B7\u30EA\u30A2\u30EB"});
  ExpectClassified({"Arduino Uno", true, LineKind::Entry, u"Arduino Uno"});
}

TEST(ClassifyListLine, DropsAByteOrderMarkOnTheFirstLineOnly) {
  const Case cases[] = {
      {"\xEF\xBB\xBFUno board", true, LineKind::Entry, u"Uno board"},
      {"\xEF\xBB\xBF", true, LineKind::Skip, u""},
      {"\xEF\xBB\xBF// comment", true, LineKind::Skip, u""},
      {"\xEF\xBB\xBF \xEF\xBB\xBF", true, LineKind::Entry, u" \uFEFF"},
      {"\xEF\xBB\xBF\xEF\xBB\xBFx", true, LineKind::Entry, u"\uFEFFx"},
      {"\xEF\xBB\xBFUno board", false, LineKind::Entry, u"\uFEFFUno board"},
      {"\xEF\xBB\xBF// comment", false, LineKind::Entry, u"\uFEFF// comment"},
      {"x\xEF\xBB\xBF", true, LineKind::Entry, u"x\uFEFF"},
  };
  for (const Case& c : cases) {
    ExpectClassified(c);
  }
}

TEST(ClassifyListLine, ReportsEntriesThatAreNotUtf8) {
  // Among them Shift_JIS, an overlong "/" and an encoded surrogate.
  ExpectEach(LineKind::NotUtf8,
             {"Arduino \xFF", "\x83\x41\x83\x68", "\xC0\xAF", "\xED\xA0\x80", "/\xFF"});
  // A cut-off mark is no mark.
  ExpectClassified({"\xEF\xBB", true, LineKind::NotUtf8, u""});
}

}  // namespace
