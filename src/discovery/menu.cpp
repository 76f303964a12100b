#include "discovery/menu.h"

#include <algorithm>
#include <limits>

#include "text/utf.h"

namespace discovery {
namespace {

bool IsBlank(char16_t unit) {
  return unit == u' ' || (unit >= u'\t' && unit <= u'\r') || unit == u'\u3000';
}

std::optional<int> DigitValue(char16_t unit) {
  if (unit >= u'0' && unit <= u'9') {
    return unit - u'0';
  }
  if (unit >= u'\uFF10' && unit <= u'\uFF19') {
    return unit - u'\uFF10';
  }
  return std::nullopt;
}

std::optional<std::int32_t> ReadLeadingNumber(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  const bool negative = text.starts_with(u'-');
  if (negative || text.starts_with(u'+')) {
    text.remove_prefix(1);
  }
  // The negative range reaches one further than the positive one.
  const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + negative;
  std::int64_t magnitude = 0;
  bool sawDigit = false;
  for (const char16_t unit : text) {
    const auto digit = DigitValue(unit);
    if (!digit) {
      break;
    }
    magnitude = magnitude * 10 + *digit;
    if (magnitude > limit) {
      return std::nullopt;
    }
    sawDigit = true;
  }
  if (!sawDigit) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<std::int32_t> ComPortNumber(std::u16string_view portNo) {
  constexpr std::u16string_view kCom = u"COM";
  if (!portNo.starts_with(kCom)) {
    return std::nullopt;
  }
  return ReadLeadingNumber(portNo.substr(kCom.size()));
}

bool Shown(const std::vector<std::optional<std::int32_t>>& rows, std::int32_t number) {
  return std::find(rows.begin(), rows.end(), number) != rows.end();
}

}  // namespace

std::vector<std::int32_t> MenuNumbers(const std::vector<std::u16string>& portNos) {
  std::vector<std::optional<std::int32_t>> rows;
  rows.reserve(portNos.size());
  for (const std::u16string& portNo : portNos) {
    const auto number = ComPortNumber(portNo);
    rows.push_back(number && !Shown(rows, *number) ? number : std::nullopt);
  }
  std::int32_t next = 1;
  std::vector<std::int32_t> numbers;
  numbers.reserve(rows.size());
  for (const auto& row : rows) {
    if (row) {
      numbers.push_back(*row);
      continue;
    }
    while (Shown(rows, next)) {
      ++next;
    }
    numbers.push_back(next++);
  }
  return numbers;
}

std::optional<std::int32_t> ParseMenuInput(std::string_view typedUtf8) {
  return ReadLeadingNumber(text::Utf8ToUtf16Lossy(typedUtf8));
}

std::optional<std::size_t> ChooseMenuRow(const std::vector<std::int32_t>& numbers,
                                         std::string_view typedUtf8) {
  const auto typed = ParseMenuInput(typedUtf8);
  if (!typed) {
    return std::nullopt;
  }
  const auto row = std::find(numbers.begin(), numbers.end(), *typed);
  if (row == numbers.end()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(row - numbers.begin());
}

}  // namespace discovery
