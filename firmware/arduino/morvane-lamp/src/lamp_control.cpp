#include "lamp_control.h"

namespace lamp {

namespace {

// The colours after one byte, as far as the command letters of one colour go.
uint8_t Obeyed(uint8_t colours, uint8_t byte, char lights, char darkens, Colour colour) {
  if (byte == static_cast<uint8_t>(lights)) {
    return static_cast<uint8_t>(colours | colour);
  }
  if (byte == static_cast<uint8_t>(darkens)) {
    return static_cast<uint8_t>(colours & ~colour);
  }
  return colours;
}

}  // namespace

void LampControl::OnByte(uint8_t byte, uint16_t nowMs) {
  lastByteMs_ = nowMs;
  // Upper case lights a colour, lower case darkens it; anything else is no command.
  colours_ = Obeyed(colours_, byte, 'R', 'r', Red);
  colours_ = Obeyed(colours_, byte, 'G', 'g', Green);
  colours_ = Obeyed(colours_, byte, 'B', 'b', Blue);
}

void LampControl::OnTick(uint16_t nowMs) {
  // Unsigned subtraction keeps the age right across the counter's wrap-around.
  const auto silentMs = static_cast<uint16_t>(nowMs - lastByteMs_);
  if (silentMs >= kSilenceTimeoutMs) {
    colours_ = 0;
  }
}

}  // namespace lamp
