// Shift and Esc as followed through the keyboard's raw presses and releases,
// so that a Shift+Esc tapped and let go between two polls is still seen.
#pragma once

#include <cstdint>

namespace platform::desktop {

enum class KeyRole : std::uint8_t { LeftShift, RightShift, Esc, Other };

struct EscReport {
  bool escPressed = false;
  bool shiftDownAtEsc = false;  // at one of those presses
};

class KeyTracker {
 public:
  KeyTracker(bool leftShiftDown, bool rightShiftDown);

  void Press(KeyRole role);
  void Release(KeyRole role);

  // The Esc presses since the previous report.
  EscReport TakeReport();

 private:
  bool leftShiftDown_;
  bool rightShiftDown_;
  EscReport pending_;
};

}  // namespace platform::desktop
