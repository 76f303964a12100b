#include "platform/linux/desktop/key_tracker.h"

#include <utility>

namespace platform::desktop {

KeyTracker::KeyTracker(bool leftShiftDown, bool rightShiftDown)
    : leftShiftDown_(leftShiftDown), rightShiftDown_(rightShiftDown) {}

void KeyTracker::Press(KeyRole role) {
  switch (role) {
    case KeyRole::LeftShift:
      leftShiftDown_ = true;
      break;
    case KeyRole::RightShift:
      rightShiftDown_ = true;
      break;
    case KeyRole::Esc:
      pending_.escPressed = true;
      pending_.shiftDownAtEsc = pending_.shiftDownAtEsc || leftShiftDown_ || rightShiftDown_;
      break;
    case KeyRole::Other:
      break;
  }
}

void KeyTracker::Release(KeyRole role) {
  if (role == KeyRole::LeftShift) {
    leftShiftDown_ = false;
  } else if (role == KeyRole::RightShift) {
    rightShiftDown_ = false;
  }
}

EscReport KeyTracker::TakeReport() { return std::exchange(pending_, EscReport{}); }

}  // namespace platform::desktop
