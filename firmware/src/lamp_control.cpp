#include "lamp_control.h"

namespace lamp {

namespace {

// Upper case lights a colour, lower case darkens it; anything else is no command.
struct Command {
  uint8_t colour;
  bool on;
};

bool Decode(uint8_t byte, Command& command) {
  switch (byte) {
    case 'R':
      command = {Red, true};
      return true;
    case 'r':
      command = {Red, false};
      return true;
    case 'G':
      command = {Green, true};
      return true;
    case 'g':
      command = {Green, false};
      return true;
    case 'B':
      command = {Blue, true};
      return true;
    case 'b':
      command = {Blue, false};
      return true;
    default:
      return false;
  }
}

}  // namespace

void LampControl::OnByte(uint8_t byte, uint16_t nowMs) {
  lastByteMs_ = nowMs;
  Command command{};
  if (!Decode(byte, command)) {
    return;
  }
  if (command.on) {
    colours_ = static_cast<uint8_t>(colours_ | command.colour);
  } else {
    colours_ = static_cast<uint8_t>(colours_ & ~command.colour);
  }
}

void LampControl::OnTick(uint16_t nowMs) {
  // Unsigned subtraction keeps the age right across the counter's wrap-around.
  const auto silentMs = static_cast<uint16_t>(nowMs - lastByteMs_);
  if (silentMs >= kSilenceTimeoutMs) {
    colours_ = 0;
  }
}

}  // namespace lamp
