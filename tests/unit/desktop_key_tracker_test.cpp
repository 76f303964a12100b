#include "platform/linux/desktop/key_tracker.h"

#include <gtest/gtest.h>

#include <utility>

namespace platform::desktop {
namespace {

KeyTracker NothingHeld() { return KeyTracker(false, false); }

void Tap(KeyTracker& tracker, KeyRole role) {
  tracker.Press(role);
  tracker.Release(role);
}

// A report whole, as {escPressed, shiftDownAtEsc}.
using Report = std::pair<bool, bool>;
constexpr Report kNoEsc{false, false};
constexpr Report kEscWithoutShift{true, false};
constexpr Report kShiftEsc{true, true};

Report TakeReport(KeyTracker& tracker) {
  const EscReport report = tracker.TakeReport();
  return {report.escPressed, report.shiftDownAtEsc};
}

TEST(DesktopKeyTracker, EscAloneIsAnEscWithoutShift) {
  KeyTracker tracker = NothingHeld();
  Tap(tracker, KeyRole::Esc);
  EXPECT_EQ(TakeReport(tracker), kEscWithoutShift);
}

TEST(DesktopKeyTracker, ShiftEscTappedAndReleasedBeforeThePollIsStillSeen) {
  KeyTracker tracker = NothingHeld();
  tracker.Press(KeyRole::LeftShift);
  Tap(tracker, KeyRole::Esc);
  tracker.Release(KeyRole::LeftShift);
  EXPECT_EQ(TakeReport(tracker), kShiftEsc);
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

  EXPECT_EQ(TakeReport(tracker), kNoEsc);
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
