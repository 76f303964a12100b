// The numbered menu: the numbers shown for any port names, and the row a
// typed line chooses. Input: port names, one a line, then the typed line
// after an empty line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/menu.h"
#include "fuzz/require.h"
#include "text/utf.h"

namespace {

std::vector<std::u16string> PortNames(std::string_view names) {
  std::vector<std::u16string> ports;
  while (!names.empty()) {
    const std::size_t end = std::min(names.find('\n'), names.size());
    ports.push_back(text::Utf8ToUtf16Lossy(names.substr(0, end)));
    names.remove_prefix(std::min(end + 1, names.size()));
  }
  return ports;
}

void CheckNumbers(const std::vector<std::int32_t>& numbers, std::size_t rows) {
  Require(numbers.size() == rows, "every row has a number");
  Require(std::set<std::int32_t>(numbers.begin(), numbers.end()).size() == rows,
          "no number is shown twice");
}

void CheckChoice(const std::vector<std::int32_t>& numbers, std::string_view typed) {
  const auto row = discovery::ChooseMenuRow(numbers, typed);
  const auto number = discovery::ParseMenuInput(typed);
  if (!row) {
    Require(!number || std::find(numbers.begin(), numbers.end(), *number) == numbers.end(),
            "a typed number that a row shows is chosen");
    return;
  }
  Require(*row < numbers.size() && number && numbers[*row] == *number,
          "the chosen row shows the typed number");
}

// Any 32-bit number written in decimal, before any text that is no digit,
// reads back as itself.
void CheckRoundTrip(std::string_view tail) {
  if (tail.size() < 4) return;
  std::int32_t value = 0;
  std::memcpy(&value, tail.data(), sizeof value);
  tail.remove_prefix(sizeof value);
  if (!tail.empty() && ((tail.front() >= '0' && tail.front() <= '9') || tail.front() == '\xEF')) {
    return;  // a digit, or perhaps a full-width one, would continue the number
  }
  const auto parsed = discovery::ParseMenuInput(" " + std::to_string(value) + std::string(tail));
  Require(parsed == value, "a decimal number reads back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = std::min(input.find("\n\n"), input.size());
  const std::vector<std::u16string> ports = PortNames(input.substr(0, split));
  const std::string_view typed = input.substr(std::min(split + 2, input.size()));

  const std::vector<std::int32_t> numbers = discovery::MenuNumbers(ports);
  CheckNumbers(numbers, ports.size());
  CheckChoice(numbers, typed);
  CheckRoundTrip(typed);
  return 0;
}
