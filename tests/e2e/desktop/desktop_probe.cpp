// Prints the desktop's readings every 100 ms, asked in the order the monitor
// asks for them, for the end-to-end script to check.
#include <cstdlib>
#include <iostream>

#include "platform/platform.h"

namespace {

const char* Name(platform::Toggle toggle) {
  if (toggle == platform::Toggle::Unknown) return "unknown";
  return toggle == platform::Toggle::On ? "on" : "off";
}

const char* Name(platform::KeyboardReach reach) {
  switch (reach) {
    case platform::KeyboardReach::Full:
      return "reachable";
    case platform::KeyboardReach::Wayland:
      return "wayland";
    default:
      return "unreachable";
  }
}

const char* Name(const platform::ImeReading& ime) {
  if (ime.query != platform::ImeQuery::Answered) return "none";
  return ime.status.openStatus != 0 && (ime.status.conversionMode & (1 | 8)) != 0 ? "on" : "off";
}

void PrintOnePoll() {
  const bool esc = platform::EscPressedSinceLastQuery();
  const bool shift = esc && platform::ShiftIsDown();
  const bool saver = platform::ScreenSaverRunning();
  const platform::Toggle caps = platform::CapsLock();
  const auto ime = platform::ForegroundIme();
  std::cout << "esc=" << esc << " shift=" << shift << " saver=" << saver << " caps=" << Name(caps)
            << " ime=" << Name(ime) << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  const long polls = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 600;
  std::cout << "keyboard " << Name(platform::ReachOfKeyboard()) << std::endl;
  for (long poll = 0; poll < polls; ++poll) {
    PrintOnePoll();
    platform::SleepMs(100);
  }
}
