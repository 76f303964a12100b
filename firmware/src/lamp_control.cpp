#include "lamp_control.h"

namespace lamp {

namespace {

// Upper case lights a colour, lower case darkens it; anything else is no command.
struct Command {
  uint8_t colour;
  bool on;
};

bool decode(uint8_t byte, Command& command) {
  switch (byte) {
    case 'R':
      command = {kRed, true};
      return true;
    case 'r':
      command = {kRed, false};
      return true;
    case 'G':
      command = {kGreen, true};
      return true;
    case 'g':
      command = {kGreen, false};
      return true;
    case 'B':
      command = {kBlue, true};
      return true;
    case 'b':
      command = {kBlue, false};
      return true;
    default:
      return false;
  }
}

}  // namespace

void LampControl::on_byte(uint8_t byte, uint16_t now_ms) {
  last_byte_ms_ = now_ms;
  Command command{};
  if (!decode(byte, command)) {
    return;
  }
  if (command.on) {
    colours_ = static_cast<uint8_t>(colours_ | command.colour);
  } else {
    colours_ = static_cast<uint8_t>(colours_ & ~command.colour);
  }
}

void LampControl::on_tick(uint16_t now_ms) {
  // Unsigned subtraction keeps the age right across the counter's wrap-around.
  const auto silent_ms = static_cast<uint16_t>(now_ms - last_byte_ms_);
  if (silent_ms >= kSilenceTimeoutMs) {
    colours_ = 0;
  }
}

}  // namespace lamp
