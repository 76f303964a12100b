#include "monitor/cycle_decisions.h"

#include <gtest/gtest.h>

namespace {

using platform::AwayReason;
using platform::ImeStatus;
using platform::Toggle;

TEST(RedCommand, FollowsCapsLockAndSendsNothingWhileItCannotBeTold) {
  EXPECT_EQ(RedCommand(Toggle::On), 'R');
  EXPECT_EQ(RedCommand(Toggle::Off), 'r');
  EXPECT_EQ(RedCommand(Toggle::Unknown), std::nullopt);
}

TEST(ImeIsOn, NeedsAnOpenImeInNativeOrFullWidthMode) {
  EXPECT_TRUE(ImeIsOn({.openStatus = 1, .conversionMode = 0x1}));   // hiragana
  EXPECT_TRUE(ImeIsOn({.openStatus = 1, .conversionMode = 0x8}));   // full-width alphanumeric
  EXPECT_TRUE(ImeIsOn({.openStatus = 5, .conversionMode = 0x19}));  // any nonzero status
  EXPECT_FALSE(ImeIsOn({.openStatus = 1, .conversionMode = 0x0}));  // half-width alphanumeric
  EXPECT_FALSE(ImeIsOn({.openStatus = 1, .conversionMode = 0x2}));  // katakana bit alone
  EXPECT_FALSE(ImeIsOn({.openStatus = 0, .conversionMode = 0x9}));  // closed
}

TEST(DecideIme, AnnouncesOnlyAChangeOfState) {
  const ImeDecision first = DecideIme(true, 0, 0);
  EXPECT_EQ(first.greenCmd, 'G');
  EXPECT_EQ(first.blueCmd, 'b');
  EXPECT_EQ(first.message, "IMEがONです。\n");
  EXPECT_EQ(DecideIme(true, 'G', 'b').message, "");

  const ImeDecision off = DecideIme(false, 'G', 'b');
  EXPECT_EQ(off.greenCmd, 'g');
  EXPECT_EQ(off.blueCmd, 'B');
  EXPECT_EQ(off.message, "IMEがOFFで、半角英数モードです。\n");
  EXPECT_EQ(DecideIme(false, 'g', 'B').message, "");
  EXPECT_EQ(DecideIme(false, 0, 0).message, "IMEがOFFで、半角英数モードです。\n");
}

TEST(DecideScreenSaver, SwitchesOffEveryCycleButAnnouncesOncePerPeriod) {
  const SaverDecision starts = DecideScreenSaver(true, false);
  EXPECT_TRUE(starts.lampOff);
  EXPECT_TRUE(starts.messageShown);
  EXPECT_EQ(starts.message, "スクリーンセイバーが起動しました。\n");

  const SaverDecision goesOn = DecideScreenSaver(true, true);
  EXPECT_TRUE(goesOn.lampOff);
  EXPECT_EQ(goesOn.message, "");

  const SaverDecision ends = DecideScreenSaver(false, true);
  EXPECT_FALSE(ends.lampOff);
  EXPECT_FALSE(ends.messageShown);
  EXPECT_EQ(ends.message, "");
}

TEST(DecideAway, SwitchesOffWhileAnySourceHoldsAndAnnouncesEachPeriodOnce) {
  const AwayDecision locks = DecideAway({AwayReason::Locked}, {});
  EXPECT_TRUE(locks.lampOff);
  EXPECT_EQ(locks.messages[0], "画面がロックされました。\n");
  EXPECT_EQ(locks.messages[1], "");
  EXPECT_EQ(locks.messages[2], "");

  // A period that begins while another goes on has its own message.
  const AwayDecision dims = DecideAway({AwayReason::Locked, AwayReason::DisplayOff}, locks.shown);
  EXPECT_TRUE(dims.lampOff);
  EXPECT_EQ(dims.messages[0], "");
  EXPECT_EQ(dims.messages[1], "ディスプレイの電源が切れました。\n");

  const AwayDecision sleeps = DecideAway({AwayReason::Sleeping}, dims.shown);
  EXPECT_TRUE(sleeps.lampOff);
  EXPECT_EQ(sleeps.messages[0], "");
  EXPECT_EQ(sleeps.messages[1], "");
  EXPECT_EQ(sleeps.messages[2], "スリープに入ります。\n");
  EXPECT_FALSE(sleeps.shown.Has(AwayReason::Locked));

  const AwayDecision back = DecideAway({}, sleeps.shown);
  EXPECT_FALSE(back.lampOff);
  EXPECT_FALSE(back.shown.Has(AwayReason::Sleeping));
  for (const std::string_view message : back.messages) EXPECT_EQ(message, "");

  // Locked again after coming back is a new period.
  EXPECT_EQ(DecideAway({AwayReason::Locked}, back.shown).messages[0], "画面がロックされました。\n");
}

}  // namespace
