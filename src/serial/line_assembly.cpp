#include "serial/line_assembly.h"

#include <array>

bool AppendLineByte(std::string& line, char byte) {
  if (byte == '\r') return true;
  if (byte != '\n') line += byte;
  return false;
}

std::string PrintableLine(const std::string& line) {
  static constexpr std::array<char, 16> kHex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                                '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
  std::string shown;
  for (const char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0x0F];
    }
  }
  return shown;
}
