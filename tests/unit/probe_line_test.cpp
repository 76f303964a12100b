// What morvane-probe prints of a reading, and of a whole run.
#include "probe_line.h"

#include <gtest/gtest.h>

namespace {

using platform::AwayReason;
using platform::ImeQuery;
using platform::Reply;
using platform::Toggle;

TEST(ProbeLineTest, ShowsEachReadingAsTheProgramTakesItWithWhatItsSourcesAnswered) {
  ProbeReading reading;
  reading.keys = {.esc = false, .shift = std::nullopt};
  reading.keySources = {{"GetAsyncKeyState", Reply::Answered, ""}};
  reading.capsLock = Toggle::On;
  reading.capsLockSources = {{"GetKeyState(VK_CAPITAL)", Reply::Answered, "0x1"}};
  reading.ime = {.query = ImeQuery::Answered, .status = {.openStatus = 1, .conversionMode = 0x19}};
  reading.imeSources = {{"GetForegroundWindow", Reply::Answered, "\"Notepad\" (notepad.exe)"},
                        {"GetGUIThreadInfo", Reply::Answered, "\"Edit\""},
                        {"IMC_GETOPENSTATUS", Reply::Answered, "1"},
                        {"IMC_GETCONVERSIONMODE", Reply::Answered, "0x19"}};
  reading.screenSaverSources = {{"SPI_GETSCREENSAVERRUNNING", Reply::Answered, "0"}};
  EXPECT_EQ(FormatReading(reading),
            "Caps Lock=オン [GetKeyState(VK_CAPITAL): 0x1]  Esc=-  Shift=不明 [GetAsyncKeyState]  "
            "IME=オン [GetForegroundWindow: \"Notepad\" (notepad.exe), GetGUIThreadInfo: \"Edit\", "
            "IMC_GETOPENSTATUS: 1, IMC_GETCONVERSIONMODE: 0x19]  "
            "スクリーンセイバー=なし [SPI_GETSCREENSAVERRUNNING: 0]  不在=なし");
}

TEST(ProbeLineTest, NamesWhyASourceGaveNoAnswer) {
  ProbeReading reading;
  reading.keys = {.esc = true, .shift = true};
  reading.capsLock = Toggle::Unknown;
  reading.capsLockSources = {{"Xkb", Reply::NotReachable, ""}};
  // Open in half-width alphanumeric mode is off to the program.
  reading.ime = {.query = ImeQuery::Answered, .status = {.openStatus = 1, .conversionMode = 0}};
  reading.screenSaver = true;
  reading.screenSaverSources = {{"MIT-SCREEN-SAVER", Reply::Nothing, ""},
                                {"org.freedesktop.ScreenSaver", Reply::Failed, "x.Error"},
                                {"a", Reply::TimedOut, "1460"},
                                {"b", Reply::Refused, "5"}};
  reading.away = {AwayReason::Locked, AwayReason::Sleeping};
  reading.awaySources = {{"WTSRegisterSessionNotification", Reply::Failed, "1702"}};
  EXPECT_EQ(FormatReading(reading),
            "Caps Lock=不明 [Xkb: 接続できません]  Esc=押下  Shift=押下  IME=オフ  "
            "スクリーンセイバー=動作中 [MIT-SCREEN-SAVER: なし, org.freedesktop.ScreenSaver: 失敗 "
            "(x.Error), a: 時間切れ, b: 拒否されました]  不在=ロック中、スリープ "
            "[WTSRegisterSessionNotification: 失敗 (1702)]");

  reading.ime = {.query = ImeQuery::TimedOut, .status = {.openStatus = 1, .conversionMode = 0x19}};
  EXPECT_NE(FormatReading(reading).find("IME=なし"), std::string::npos);
}

TEST(ProbeLineTest, TimeStampsToTheMillisecond) {
  EXPECT_EQ(FormatTimeStamp(9, 5, 3, 7), "09:05:03.007");
  EXPECT_EQ(FormatTimeStamp(23, 59, 59, 999), "23:59:59.999");
}

TEST(ProbeLineTest, TheSummaryCountsEachSourceThatGaveNoAnswerByHow) {
  Tally tally;
  EXPECT_EQ(tally.Summary(), "終了します。0回読み取り、すべて読めました。\n");
  ProbeReading reading;
  reading.imeSources = {{"GetForegroundWindow", Reply::Nothing, ""},
                        {"fcitx5", Reply::NotReachable, ""}};
  tally.Add(reading);
  reading.imeSources = {{"fcitx5", Reply::TimedOut, ""}};
  reading.screenSaverSources = {{"SPI_GETSCREENSAVERRUNNING", Reply::Answered, "0"}};
  tally.Add(reading);
  reading.imeSources = {{"fcitx5", Reply::NotReachable, ""}};
  reading.awaySources = {{"WTSRegisterSessionNotification", Reply::Failed, "1702"}};
  tally.Add(reading);
  EXPECT_EQ(tally.Summary(),
            "終了します。3回読み取り、読めなかったもの: fcitx5 (接続できません) 2回、"
            "fcitx5 (時間切れ) 1回、WTSRegisterSessionNotification (失敗) 1回\n");
}

TEST(ProbeLineTest, TheSummaryNeverCallsAReadingCutOffByTheEndRead) {
  Tally tally;
  tally.Begin();
  EXPECT_EQ(tally.Summary(), "終了します。0回読み取り、最後の読み取りは途中で終了しました\n");
  ProbeReading reading;
  reading.imeSources = {{"fcitx5", Reply::TimedOut, ""}};
  tally.Add(reading);
  EXPECT_EQ(tally.Summary(), "終了します。1回読み取り、読めなかったもの: fcitx5 (時間切れ) 1回\n");
  tally.Begin();
  EXPECT_EQ(tally.Summary(),
            "終了します。1回読み取り、読めなかったもの: fcitx5 (時間切れ) 1回、"
            "最後の読み取りは途中で終了しました\n");
}

TEST(ProbeLineTest, ASourcesValueReachesTheTerminalWithoutControlCharacters) {
  ProbeReading reading;
  reading.imeSources = {{"GetForegroundWindow", Reply::Answered, "\"\x1B]0;owned\a\" (x.exe)"}};
  EXPECT_NE(FormatReading(reading).find("[GetForegroundWindow: \"\\x1B]0;owned\\x07\" (x.exe)]"),
            std::string::npos)
      << FormatReading(reading);
}

}  // namespace
