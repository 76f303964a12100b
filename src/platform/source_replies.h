// Noting what each source answered, for the readings of both systems.
#pragma once

#include <array>
#include <charconv>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace platform {

// Both do nothing without a list: the program's own readings note nothing
// and build nothing.
inline void Note(SourceReplies* asked, std::string_view source, Reply reply,
                 std::string_view value = {}) {
  if (asked != nullptr) asked->push_back({std::string(source), reply, std::string(value)});
}

// describe() makes the value, only when there is a list to note it on.
template <std::invocable Describe>
void Note(SourceReplies* asked, std::string_view source, Reply reply, Describe&& describe) {
  if (asked != nullptr) asked->push_back({std::string(source), reply, describe()});
}

// "0x19", as the systems' documentation writes flags and modes.
inline std::string Hex(std::uint64_t value) {
  std::array<char, 16> digits{};
  char* end = std::to_chars(digits.data(), digits.data() + digits.size(), value, 16).ptr;
  return "0x" + std::string(digits.data(), end);
}

}  // namespace platform
