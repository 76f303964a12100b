#include "discovery/menu.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using discovery::ChooseMenuRow;
using discovery::MenuNumbers;
using discovery::ParseMenuInput;
using Numbers = std::vector<std::int32_t>;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(MenuNumbers, ShowsEachComPortsOwnNumber) {
  const struct {
    std::vector<std::u16string> portNos;
    Numbers numbers;
  } cases[] = {
      {{u"COM3"}, {3}},
      {{u"COM12", u"COM3"}, {12, 3}},
      {{u"COM7a", u"COM 8", u"COM+9", u"COM-1"}, {7, 8, 9, -1}},
      {{u"COM0042"}, {42}},
      {{u"COM2147483647", u"COM-2147483648"}, {kMax, kMin}},
      {{}, {}},
  };
  for (const auto& [portNos, numbers] : cases) {
    SCOPED_TRACE(testing::PrintToString(portNos));
    EXPECT_EQ(MenuNumbers(portNos), numbers);
  }
}

TEST(MenuNumbers, OtherRowsTakeTheSmallestNumbersThatNoRowShows) {
  const struct {
    std::vector<std::u16string> portNos;
    Numbers numbers;
  } cases[] = {
      // Typing 1 opens COM1, not the row that happens to stand first.
      {{u"COM3", u"COM1", u"LPT1"}, {3, 1, 2}},
      {{u"LPT1", u"COM1"}, {2, 1}},
      {{u"/dev/ttyACM0", u"/dev/ttyACM1", u"/dev/ttyUSB0"}, {1, 2, 3}},
      {{u"/dev/ttyACM0", u"COM1", u"COM2", u"/dev/ttyUSB0"}, {3, 1, 2, 4}},
      {{u"COM1", u"COM", u"CO", u""}, {1, 2, 3, 4}},
      {{u"COM3", u"COMx1", u"COM2147483648", u"COM99999999999"}, {3, 1, 2, 4}},
      {{u"COM5", u"XYZ5"}, {5, 1}},
      // A number that an earlier row shows goes to a free one.
      {{u"COM3", u"COM4", u"COM3"}, {3, 4, 1}},
      {{u"COM03", u"COM3", u"COM1"}, {3, 2, 1}},
  };
  for (const auto& [portNos, numbers] : cases) {
    SCOPED_TRACE(testing::PrintToString(portNos));
    EXPECT_EQ(MenuNumbers(portNos), numbers);
  }
}

TEST(ParseMenuInput, ReadsTheLeadingNumber) {
  const struct {
    std::string_view typed;
    std::optional<std::int32_t> number;
  } cases[] = {
      {"3", 3},
      {"03", 3},
      {"3abc", 3},
      {"3 4", 3},
      {" 12", 12},
      {"\t 12", 12},
      {"+5", 5},
      {"-1", -1},
      {"-0", 0},
      {"000000000000000000007", 7},
      {"2147483647", kMax},
      {"-2147483648", kMin},
      {"\xEF\xBC\x91\xEF\xBC\x92", 12},  // full-width 1 2
      {"\xEF\xBC\x91\x32", 12},          // full-width 1, ASCII 2
      {"\xE3\x80\x80\xEF\xBC\x99", 9},   // ideographic space, full-width 9
      {"-\xEF\xBC\x90\xEF\xBC\x98", -8},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"abc", std::nullopt},
      {"+", std::nullopt},
      {"- 1", std::nullopt},
      {"--1", std::nullopt},
      {"99999999999", std::nullopt},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"\xD9\xA3", std::nullopt},      // Arabic-Indic 3 is not one of the accepted digits
      {"\xEF\xBC\x8F", std::nullopt},  // U+FF0F, just below full-width 0
      {"\xEF\xBC\x9A", std::nullopt},  // U+FF1A, just above full-width 9
      {"\xFF\x33", std::nullopt},      // not UTF-8
  };
  for (const auto& [typed, number] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(typed)));
    EXPECT_EQ(ParseMenuInput(typed), number);
  }
}

TEST(ChooseMenuRow, FindsTheRowShowingTheTypedNumber) {
  const Numbers numbers{12, 3, 7};
  EXPECT_EQ(ChooseMenuRow(numbers, "12"), 0u);
  EXPECT_EQ(ChooseMenuRow(numbers, "3"), 1u);
  EXPECT_EQ(ChooseMenuRow(numbers, "07"), 2u);
  EXPECT_EQ(ChooseMenuRow(numbers, "\xEF\xBC\x97"), 2u);
  EXPECT_EQ(ChooseMenuRow({4, 4}, "4"), 0u);
}

TEST(ChooseMenuRow, RefusesNumbersNoRowShows) {
  const Numbers numbers{1, 2};
  for (const std::string_view typed : {"0", "3", "-1", "", "x", "99999999999"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(typed)));
    EXPECT_EQ(ChooseMenuRow(numbers, typed), std::nullopt);
  }
  EXPECT_EQ(ChooseMenuRow({}, "1"), std::nullopt);
  // Text without a number must not pass for 0, which a port may carry.
  EXPECT_EQ(ChooseMenuRow({5, 0}, "x"), std::nullopt);
  EXPECT_EQ(ChooseMenuRow({5, 0}, ""), std::nullopt);
  EXPECT_EQ(ChooseMenuRow({5, 0}, "-0"), 1u);
}

}  // namespace
