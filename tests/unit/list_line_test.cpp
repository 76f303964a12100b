#include "discovery/list_line.h"

#include <gtest/gtest.h>

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

TEST(ClassifyListLine, SkipsEmptyLinesAndCommentsAtTheVeryStart) {
  const Case cases[] = {
      {"", false, LineKind::Skip, u""},
      {"//", false, LineKind::Skip, u""},
      {"///", false, LineKind::Skip, u""},
      {"// Arduino Uno", false, LineKind::Skip, u""},
      {"//\xFF", false, LineKind::Skip, u""},  // a comment need not be UTF-8
      {"/", false, LineKind::Entry, u"/"},
      {"/ /x", false, LineKind::Entry, u"/ /x"},
      {" //x", false, LineKind::Entry, u" //x"},
      {"\t//x", false, LineKind::Entry, u"\t//x"},
      {"desc // note", false, LineKind::Entry, u"desc // note"},
  };
  for (const Case& c : cases) {
    ExpectClassified(c);
  }
}

TEST(ClassifyListLine, KeepsEntriesByteForByte) {
  const Case cases[] = {
      {"Arduino Uno", false, LineKind::Entry, u"Arduino Uno"},
      {"arduino UNO", false, LineKind::Entry, u"arduino UNO"},
      {"  Arduino Uno  ", false, LineKind::Entry, u"  Arduino Uno  "},
      {"   ", false, LineKind::Entry, u"   "},
      {"\t", false, LineKind::Entry, u"\t"},
      {"a\rb", false, LineKind::Entry, u"a\rb"},
      {"USB \xE3\x82\xB7\xE3\x83\xAA\xE3\x82\xA2\xE3\x83\xAB", false, LineKind::Entry,
       u"USB \u30B7\u30EA\u30A2\u30EB"},
      {"Arduino Uno", true, LineKind::Entry, u"Arduino Uno"},
  };
  for (const Case& c : cases) {
    ExpectClassified(c);
  }
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
  const Case cases[] = {
      {"Arduino \xFF", false, LineKind::NotUtf8, u""},
      {"\x83\x41\x83\x68", false, LineKind::NotUtf8, u""},  // Shift_JIS
      {"\xC0\xAF", false, LineKind::NotUtf8, u""},          // overlong "/"
      {"\xED\xA0\x80", false, LineKind::NotUtf8, u""},      // encoded surrogate
      {"\xEF\xBB", true, LineKind::NotUtf8, u""},           // a cut-off mark is no mark
      {"/\xFF", false, LineKind::NotUtf8, u""},
  };
  for (const Case& c : cases) {
    ExpectClassified(c);
  }
}

}  // namespace
