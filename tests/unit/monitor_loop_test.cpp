#include "monitor/monitor_loop.h"

#include "app/globals.h"
#include "fake/program_test.h"

namespace {

using fake::Cycle;
using fake::kImeOff;
using fake::kImeOn;
using platform::AwayReason;
using platform::Toggle;

class MonitorLoopTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    hComm = static_cast<platform::PortHandle>(7);
  }

  // Runs the loop over the scripted cycles, which end with Shift+Esc.
  int RunCycles(std::initializer_list<Cycle> cycles) {
    Fake().cycles = cycles;
    MonitorLocals locals;
    return StatusOf([&] { RunMonitorLoop(locals); });
  }

  // The bytes and text of one cycle, without the program's end.
  std::pair<std::string, std::string> OneCycle(const Cycle& cycle) {
    Fake().cycles = {cycle};
    MonitorLocals locals;
    RunMonitorCycle(locals);
    return {Fake().Bytes(), Fake().Console()};
  }
};

struct Row {
  Cycle cycle;
  std::string bytes;
  std::string message;
};

TEST_F(MonitorLoopTest, EachRowOfTheCycleTableSendsItsBytesInOrder) {
  const std::string on = "IMEがONです。\n";
  const std::string off = "IMEがOFFで、半角英数モードです。\n";
  const std::string saver = "スクリーンセイバーが起動しました。\n";
  const std::vector<Row> rows = {
      {{.capsLock = Toggle::On, .ime = kImeOn}, "RbG", on},
      {{.capsLock = Toggle::On, .ime = kImeOff}, "RBg", off},
      {{.capsLock = Toggle::Off, .ime = kImeOn}, "rbG", on},
      {{.capsLock = Toggle::Off, .ime = kImeOff}, "rBg", off},
      {{.capsLock = Toggle::Unknown, .ime = kImeOn}, "bG", on},
      {{.capsLock = Toggle::Unknown, .ime = kImeOff}, "Bg", off},
      {{.capsLock = Toggle::On}, "R", ""},
      {{.capsLock = Toggle::Off}, "r", ""},
      {{.capsLock = Toggle::Unknown}, "", ""},
      {{.screenSaver = true, .capsLock = Toggle::On, .ime = kImeOn}, "rgb", saver + on},
      {{.screenSaver = true, .capsLock = Toggle::Unknown}, "rgb", saver},
  };
  for (const Row& row : rows) {
    fake::Reset();
    const auto [bytes, console] = OneCycle(row.cycle);
    EXPECT_EQ(bytes, row.bytes) << "row " << &row - rows.data();
    EXPECT_EQ(console, row.message) << "row " << &row - rows.data();
  }
}

TEST_F(MonitorLoopTest, TheScreenSaverKeepsTheLampDarkAndPausesHalfASecond) {
  OneCycle({.screenSaver = true, .capsLock = Toggle::On, .ime = kImeOn});
  const std::vector<std::string> expected = {"byte:r",
                                             "byte:g",
                                             "byte:b",
                                             "sleep:500",
                                             "text:スクリーンセイバーが起動しました。\n",
                                             "text:IMEがONです。\n"};
  EXPECT_EQ(Fake().calls, expected);
}

TEST_F(MonitorLoopTest, TheLampShowsTheStateReachedDuringTheScreenSaverWhenItEnds) {
  RunCycles({{.ime = kImeOff}, {.screenSaver = true, .ime = kImeOn}, {.ime = kImeOn}});
  EXPECT_EQ(Fake().Bytes(),
            "rBg"
            "rgb"
            "rbG"
            "rgb");
  EXPECT_EQ(Fake().Console(),
            "IMEがOFFで、半角英数モードです。\nスクリーンセイバーが起動しました。\nIMEがONです。\n"
            "\n終了しました。\n");
}

TEST_F(MonitorLoopTest, AnnouncesTheImeOnlyWhenItChanges) {
  RunCycles({{.ime = kImeOn},
             {.ime = kImeOn},
             {},
             {.ime = kImeOn},
             {.ime = kImeOff},
             {.ime = kImeOff},
             {.ime = kImeOn}});
  EXPECT_EQ(Fake().Console(),
            "IMEがONです。\nIMEがOFFで、半角英数モードです。\nIMEがONです。\n\n終了しました。\n");
  // The pair is sent again every cycle that finds an input method.
  EXPECT_EQ(Fake().Bytes(), "rbGrbGrrbGrBgrBgrbGrgb");
}

TEST_F(MonitorLoopTest, AQueryThatTimesOutOrIsRefusedCountsAsNoImeWindow) {
  // What such a query leaves in the status must not read as the IME off.
  const Cycle timedOut{.ime = {.query = platform::ImeQuery::TimedOut, .status = {}}};
  const Cycle refused{.ime = {.query = platform::ImeQuery::Refused, .status = {}}};
  RunCycles({{.ime = kImeOn}, timedOut, refused, {.ime = kImeOn}});
  EXPECT_EQ(Fake().Console(), "IMEがONです。\n\n終了しました。\n");
  EXPECT_EQ(Fake().Bytes(), "rbGrrrbGrgb");
  EXPECT_EQ(cGreenCmd, 'G');
}

TEST_F(MonitorLoopTest, SleepsAPollIntervalBetweenCycles) {
  RunCycles({{}, {}});
  EXPECT_EQ(std::count(Fake().calls.begin(), Fake().calls.end(), "sleep:100"), 2);
}

TEST_F(MonitorLoopTest, EscAloneDoesNotEndAndIsUsedUp) {
  RunCycles({{.esc = true}, {.shift = true}, {.capsLock = Toggle::On}});
  // Three full cycles ran before the final Shift+Esc.
  EXPECT_EQ(Fake().Bytes(), "rrRrgb");
}

TEST_F(MonitorLoopTest, ShiftEscEndsBeforeAnyByteOfItsCycle) {
  const int status =
      RunCycles({{.capsLock = Toggle::On, .ime = kImeOn},
                 {.esc = true, .shift = true, .capsLock = Toggle::On, .ime = kImeOn}});
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Fake().Bytes(), "RbGrgb");
  EXPECT_EQ(Fake().calls.back(), "end:0");
}

TEST_F(MonitorLoopTest, AnnouncesTheScreenSaverOncePerPeriod) {
  RunCycles({{.screenSaver = true}, {.screenSaver = true}, {}, {.screenSaver = true}});
  EXPECT_EQ(
      Fake().Console(),
      "スクリーンセイバーが起動しました。\nスクリーンセイバーが起動しました。\n\n終了しました。\n");
  EXPECT_EQ(Fake().Bytes(), "rgbrgbrrgbrgb");
}

TEST_F(MonitorLoopTest, AFailedSendEndsWithItsMessageAndSendsNothingMore) {
  Fake().failingWrite = 1;  // the blue byte of the first pair
  const int status = RunCycles({{.capsLock = Toggle::On, .ime = kImeOn}});
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Fake().Bytes(), "R");
  EXPECT_EQ(Fake().Console(), "IMEがONです。\n装置に信号を送信できませんでした\n理由: reason 13\n");
  EXPECT_TRUE(Called("close"));
  EXPECT_TRUE(Called("pause:1"));
}

TEST_F(MonitorLoopTest, KeepsTheColourPairInTheGlobals) {
  OneCycle({.ime = kImeOff});
  EXPECT_EQ(cGreenCmd, 'g');
  EXPECT_EQ(cBlueCmd, 'B');
}

TEST_F(MonitorLoopTest, AwayKeepsTheLampDarkAsTheScreenSaverDoesAndAnnouncesEachPeriodOnce) {
  const platform::AwayState locked{AwayReason::Locked};
  RunCycles({{.ime = kImeOff},
             {.capsLock = Toggle::On, .ime = kImeOn, .away = locked},
             {.capsLock = Toggle::On,
              .ime = kImeOn,
              .away = {AwayReason::Locked, AwayReason::DisplayOff}},
             {.capsLock = Toggle::On, .away = {AwayReason::Sleeping}},
             {.capsLock = Toggle::On, .ime = kImeOn},
             {.away = locked}});
  EXPECT_EQ(Fake().Bytes(),
            "rBg"
            "rgb"
            "rgb"
            "rgb"
            "RbG"
            "rgb"
            "rgb");
  // The input method is still followed while away, so the colour is right
  // in the first cycle after.
  EXPECT_EQ(Fake().Console(),
            "IMEがOFFで、半角英数モードです。\n画面がロックされました。\nIMEがONです。\n"
            "ディスプレイの電源が切れました。\nスリープに入ります。\n画面がロックされました。\n"
            "\n終了しました。\n");
  EXPECT_EQ(std::count(Fake().calls.begin(), Fake().calls.end(), "sleep:500"), 4);
}

TEST_F(MonitorLoopTest, TheScreenSaverAndAnAwayPeriodTogetherSwitchOffOnce) {
  OneCycle({.screenSaver = true, .away = {AwayReason::DisplayOff}});
  const std::vector<std::string> expected = {"byte:r",
                                             "byte:g",
                                             "byte:b",
                                             "sleep:500",
                                             "text:スクリーンセイバーが起動しました。\n",
                                             "text:ディスプレイの電源が切れました。\n"};
  EXPECT_EQ(Fake().calls, expected);
}

TEST_F(MonitorLoopTest, StateBytesGoThroughThePathThatHoldsThemBackWhileAway) {
  const auto [bytes, console] =
      OneCycle({.capsLock = Toggle::On, .ime = kImeOn, .turnsAwayMidCycle = true});
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(console, "IMEがONです。\n");
}

}  // namespace
