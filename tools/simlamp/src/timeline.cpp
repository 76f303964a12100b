#include "timeline.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <string>
#include <system_error>

#include "lamp_colours.h"

namespace simlamp {

namespace {

struct ColourName {
  uint8_t colour;
  const char* name;
  const char* ansi;
};

constexpr std::array kColourNames = {
    ColourName{lamp::Red, "red", "\x1b[31m"},
    ColourName{lamp::Green, "green", "\x1b[32m"},
    ColourName{lamp::Blue, "blue", "\x1b[34m"},
};

std::string Stamp(double seconds) {
  std::array<char, 32> digits{};
  const auto result =
      std::to_chars(digits.begin(), digits.end(), seconds, std::chars_format::fixed, 6);
  return "t=" + std::string(digits.begin(), result.ptr) + "s ";
}

}  // namespace

void Timeline::Colours(double seconds, uint8_t colours) {
  std::string line = Stamp(seconds);
  for (const ColourName& entry : kColourNames) {
    if (&entry != kColourNames.data()) {
      line += ' ';
    }
    line += entry.name;
    line += (colours & entry.colour) != 0 ? "=on" : "=off";
  }
  if (colourBlocks_) {
    line += "  ";
    for (const ColourName& entry : kColourNames) {
      const bool lit = (colours & entry.colour) != 0;
      line += lit ? entry.ansi : "\x1b[90m";
      line += lit ? "\u2588\u2588" : "\u2591\u2591";
      line += "\x1b[0m";
    }
  }
  WriteLine(line);
}

void Timeline::Event(double seconds, std::string_view text) {
  std::string line = Stamp(seconds);
  line += text;
  WriteLine(line);
}

void Timeline::WriteLine(std::string& line) {
  line += '\n';
  // Flushed at once: tests and demos read the timeline through a pipe as it happens.
  if (std::fwrite(line.data(), 1, line.size(), out_) != line.size() || std::fflush(out_) != 0) {
    throw std::system_error(errno, std::generic_category(), "writing the timeline");
  }
}

}  // namespace simlamp
