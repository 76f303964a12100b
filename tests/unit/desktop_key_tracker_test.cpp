#include "platform/linux/desktop/key_tracker.h"

#include <gtest/gtest.h>

namespace platform::desktop {
namespace {

KeyTracker NothingHeld() { return KeyTracker(false, false); }

void Tap(KeyTracker& tracker, KeyRole role) {
  tracker.Press(role);
  tracker.Release(role);
}

TEST(DesktopKeyTracker, EscAloneIsAnEscWithoutShift) {
  KeyTracker tracker = NothingHeld();
  Tap(tracker, KeyRole::Esc);
  const EscReport report = tracker.TakeReport();
  EXPECT_TRUE(report.escPressed);
  EXPECT_FALSE(report.shiftDownAtEsc);
}

TEST(DesktopKeyTracker, ShiftEscTappedAndReleasedBeforeThePollIsStillSeen) {
  KeyTracker tracker = NothingHeld();
  tracker.Press(KeyRole::LeftShift);
  Tap(tracker, KeyRole::Esc);
  tracker.Release(KeyRole::LeftShift);
  const EscReport report = tracker.TakeReport();
  EXPECT_TRUE(report.escPressed);
  EXPECT_TRUE(report.shiftDownAtEsc);
}

TEST(DesktopKeyTracker, ShiftCountsOnlyWhileDownAtTheEscPress) {
  KeyTracker tracker = NothingHeld();
  Tap(tracker, KeyRole::LeftShift);
  Tap(tracker, KeyRole::Esc);
  tracker.Press(KeyRole::RightShift);
  EXPECT_FALSE(tracker.TakeReport().shiftDownAtEsc);
}

TEST(DesktopKeyTracker, AnEscWithShiftAmongSeveralIsKept) {
  KeyTracker tracker = NothingHeld();
  tracker.Press(KeyRole::RightShift);
  Tap(tracker, KeyRole::Esc);
  tracker.Release(KeyRole::RightShift);
  Tap(tracker, KeyRole::Esc);
  EXPECT_TRUE(tracker.TakeReport().shiftDownAtEsc);
}

TEST(DesktopKeyTracker, EitherShiftKeepsShiftDownUntilBothAreUp) {
  KeyTracker tracker = NothingHeld();
  tracker.Press(KeyRole::LeftShift);
  tracker.Press(KeyRole::RightShift);
  tracker.Release(KeyRole::LeftShift);
  Tap(tracker, KeyRole::Esc);
  EXPECT_TRUE(tracker.TakeReport().shiftDownAtEsc);

  tracker.Release(KeyRole::RightShift);
  Tap(tracker, KeyRole::Esc);
  EXPECT_FALSE(tracker.TakeReport().shiftDownAtEsc);
}

TEST(DesktopKeyTracker, ShiftHeldWhenTheWatchStartsCounts) {
  KeyTracker left(true, false);
  Tap(left, KeyRole::Esc);
  EXPECT_TRUE(left.TakeReport().shiftDownAtEsc);

  KeyTracker right(false, true);
  Tap(right, KeyRole::Esc);
  EXPECT_TRUE(right.TakeReport().shiftDownAtEsc);
}

TEST(DesktopKeyTracker, AReportCoversOnlyThePressesSinceThePreviousOne) {
  KeyTracker tracker = NothingHeld();
  tracker.Press(KeyRole::LeftShift);
  Tap(tracker, KeyRole::Esc);
  EXPECT_TRUE(tracker.TakeReport().escPressed);

  const EscReport next = tracker.TakeReport();
  EXPECT_FALSE(next.escPressed);
  EXPECT_FALSE(next.shiftDownAtEsc);
}

TEST(DesktopKeyTracker, ShiftStaysDownAcrossReports) {
  KeyTracker tracker = NothingHeld();
  tracker.Press(KeyRole::LeftShift);
  EXPECT_FALSE(tracker.TakeReport().escPressed);
  Tap(tracker, KeyRole::Esc);
  EXPECT_TRUE(tracker.TakeReport().shiftDownAtEsc);
}

TEST(DesktopKeyTracker, OtherKeysAndEscReleasesAreNoEsc) {
  KeyTracker tracker = NothingHeld();
  Tap(tracker, KeyRole::Other);
  tracker.Release(KeyRole::Esc);
  tracker.Release(KeyRole::LeftShift);
  EXPECT_FALSE(tracker.TakeReport().escPressed);
}

}  // namespace
}  // namespace platform::desktop
