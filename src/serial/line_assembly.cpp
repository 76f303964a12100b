#include "serial/line_assembly.h"

#include "text/utf.h"

bool AppendLineByte(std::string& line, char byte) {
  if (byte == '\r') return true;
  if (byte != '\n') line += byte;
  return false;
}

std::string PrintableLine(const std::string& line) {
  std::string shown;
  for (const char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      text::AppendEscapedByte(shown, byte);
    }
  }
  return shown;
}
