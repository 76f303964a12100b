#include "discovery/menu.h"

#include <algorithm>
#include <limits>
#include <numeric>

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

std::vector<std::int32_t> CountingNumbers(std::size_t count) {
  std::vector<std::int32_t> numbers(count);
  std::iota(numbers.begin(), numbers.end(), 1);
  return numbers;
}

bool HasRepeats(std::vector<std::int32_t> numbers) {
  std::sort(numbers.begin(), numbers.end());
  return std::adjacent_find(numbers.begin(), numbers.end()) != numbers.end();
}

}  // namespace

std::vector<std::int32_t> MenuNumbers(const std::vector<std::u16string>& portNos) {
  constexpr std::size_t kPrefixLength = 3;  // "COM"
  std::vector<std::int32_t> numbers;
  numbers.reserve(portNos.size());
  for (const std::u16string& portNo : portNos) {
    const auto number = ReadLeadingNumber(
        std::u16string_view(portNo).substr(std::min(kPrefixLength, portNo.size())));
    if (!number) {
      return CountingNumbers(portNos.size());
    }
    numbers.push_back(*number);
  }
  if (HasRepeats(numbers)) {
    return CountingNumbers(portNos.size());
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
