// The numbered menu from which the user picks one of several matching ports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace discovery {

// The number shown on each row. A COM port's row shows its own number (COM12
// -> 12, read after "COM"), so that typing it always opens that port; the
// rows of other ports (LPT1, POSIX paths) and a second row with a number that
// an earlier one shows get the smallest numbers that no row shows, in row
// order.
std::vector<std::int32_t> MenuNumbers(const std::vector<std::u16string>& portNos);

// The number at the start of a typed line, read as std::stoi reads wide text
// but never throwing: leading blanks (the ideographic space too) skipped, an
// optional sign, then decimal digits, full-width ones (typed with the input
// method on) included, up to the first other character. nullopt when no
// digit comes or the number leaves the 32-bit range.
std::optional<std::int32_t> ParseMenuInput(std::string_view typedUtf8);

// The first row showing the typed number; nullopt when none does.
std::optional<std::size_t> ChooseMenuRow(const std::vector<std::int32_t>& numbers,
                                         std::string_view typedUtf8);

}  // namespace discovery
