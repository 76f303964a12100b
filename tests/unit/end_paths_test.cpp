// The program from its banner to each of its ends.
#include "app/end_routines.h"
#include "app/globals.h"
#include "app/startup.h"
#include "fake/list_file_fixture.h"
#include "fake/program_test.h"

namespace {

using fake::kImeOn;

class EndPathsTest : public ProgramTest {
 protected:
  void SetUp() override { Prepare(); }

  // A fresh fake with one listed Uno present, whose identity comes at once.
  void Prepare() {
    ProgramTest::SetUp();
    UseListFile("Arduino Uno\n");
    Fake().friendlyNames = {"Communications Port (COM1)", "Arduino Uno (COM3)"};
    fake::Receive("Lumivantrexial\r\n");
  }

  int Run() {
    return StatusOf([] { RunProgram(); });
  }

  static constexpr std::string_view kStart =
      "IMEのモードにより色を変えます。\n"
      "見つけたポート番号は、COM3\n"
      "ポート番号「COM3」を開きます。\n"
      "モジュールが適切に見つかりました。\n"
      "Arduinoから受信した名称は、「Lumivantrexial」です。\n\n";
  static constexpr std::string_view kInstructions =
      "[Shift]キー + [Esc]キーを合わせて押すと終了します。\n\n"
      "[×]"
      "ボタンを押してこのウィンドウを閉じてしまうと終了してしまいますので、このウィンドウが邪魔な場"
      "合は"
      "[－]ボタンを押して最小化してください。\n\n";
};

TEST_F(EndPathsTest, AHappyRunPrintsEverythingInOrderAndEndsDark) {
  Fake().cycles = {{.ime = kImeOn}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Fake().Console(),
            std::string(kStart) + std::string(kInstructions) + "IMEがONです。\n\n終了しました。\n");
  EXPECT_EQ(Fake().Bytes(), "rbGrgb");
  EXPECT_FALSE(Paused());
  EXPECT_FALSE(Called("close"));
}

TEST_F(EndPathsTest, SaysWhenTheKeyboardCannotBeReadAndGoesOn) {
  Fake().keyboardReach = platform::KeyboardReach::NoDisplay;
  Fake().cycles = {{.ime = kImeOn}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(
      Fake().Console(),
      std::string(kStart) + std::string(kInstructions) +
          "Xのディスプレイに接続できないため、Caps Lockと[Shift]キー + [Esc]キーは使えません。\n"
          "IMEがONです。\n\n終了しました。\n");
}

TEST_F(EndPathsTest, UnderWaylandSaysHowToEndInsteadOfShiftEsc) {
  Fake().keyboardReach = platform::KeyboardReach::Wayland;
  Fake().cycles = {{.ime = kImeOn}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Fake().Console(), std::string(kStart) + std::string(kInstructions) +
                                  "Waylandでは[Shift]キー + [Esc]キーは使えません。"
                                  "終了するにはCtrl+Cを押してください。\n"
                                  "IMEがONです。\n\n終了しました。\n");
}

TEST_F(EndPathsTest, UnderWaylandAsAServiceNamesTheServiceManager) {
  Fake().keyboardReach = platform::KeyboardReach::Wayland;
  Fake().startedAsService = true;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Fake().Console(),
            std::string(kStart) + std::string(kInstructions) +
                "Waylandでは[Shift]キー + [Esc]キーは使えません。"
                "終了するには systemctl --user stop morvane を実行してください。\n"
                "\n終了しました。\n");
}

TEST_F(EndPathsTest, AsATaskSaysHowToStopItInPlaceOfTheInstructions) {
  Fake().keyboardReach = platform::KeyboardReach::NoConsoleWindow;
  Fake().cycles = {{.ime = kImeOn}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Fake().Console(),
            std::string(kStart) +
                "タスク スケジューラのタスクとして実行しています。[Shift]キー + "
                "[Esc]キーは使えません。終了するには、スタートメニューの「morvane "
                "を停止」を選ぶか、morvane-task stop を実行してください。\n\n"
                "IMEがONです。\n\n終了しました。\n");
}

TEST_F(EndPathsTest, LowersThePriorityBeforeOpeningThePort) {
  Run();
  const auto priority = std::find(Fake().calls.begin(), Fake().calls.end(), "priority");
  const auto open = std::find(Fake().calls.begin(), Fake().calls.end(), "open:COM3");
  EXPECT_LT(priority, open);
}

TEST_F(EndPathsTest, APriorityAlreadyInTheBackgroundIsNamed) {
  Fake().priorityLowers = false;
  Fake().priorityError = 402;
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(Fake().Console().ends_with(
      "見つけたポート番号は、COM3\n(ERROR_PROCESS_MODE_ALREADY_BACKGROUND\n理由: reason 402\n"
      "FINISH\n"));
  EXPECT_FALSE(Called("open:COM3"));
  EXPECT_TRUE(Called("pause:1"));
}

TEST_F(EndPathsTest, AnyOtherPriorityFailureEndsWithItsReasonAndFinish) {
  Fake().priorityLowers = false;
  Fake().priorityError = 5;
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(Fake().Console().ends_with("見つけたポート番号は、COM3\n理由: reason 5\nFINISH\n"));
  EXPECT_FALSE(Called("close"));
}

TEST_F(EndPathsTest, AHandlerThatCannotBeInstalledFailsWithTheLampOff) {
  Fake().handlerInstalls = false;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Fake().Console(),
            std::string(kStart) + "SetConsoleCtrlHandler FAILED\n理由: reason 13\n");
  const std::vector<std::string> end = {"text:SetConsoleCtrlHandler FAILED\n",
                                        "text:理由: reason 13\n",
                                        "byte:r",
                                        "byte:g",
                                        "byte:b",
                                        "close",
                                        "pause:1",
                                        "end:1"};
}

TEST_F(EndPathsTest, NoListedDeviceListsThePortsPresentAndFails) {
  UseListFile("Arduino Mega\n");
  EXPECT_EQ(Run(), 2);
  EXPECT_EQ(Fake().Console(),
            "IMEのモードにより色を変えます。\n"
            "Arduino(互換機含む)がひとつも見つかりませんでした。\n"
            "接続されているのにこのエラーが出る場合は、「arduino_portname."
            "txt」ファイルが同じ階層に存在して、"
            "かつ記載があることを確認してください。\n"
            "見つかったシリアルポートの名称は次のとおりです。\n"
            "  COM1 : Communications Port\n"
            "  COM3 : Arduino Uno\n");
  EXPECT_TRUE(Called("pause:2"));
  EXPECT_FALSE(Called("priority"));
}

TEST_F(EndPathsTest, NoPortAtAllSaysSo) {
  Fake().friendlyNames.clear();
  EXPECT_EQ(Run(), 2);
  EXPECT_TRUE(Fake().Console().ends_with("シリアルポートがひとつも見つかりませんでした。\n"));
}

TEST_F(EndPathsTest, AnEmptyListEndsBeforeLookingForPorts) {
  UseListFile("// nothing yet\n\n");
  EXPECT_EQ(Run(), 2);
  EXPECT_EQ(Fake().Console(),
            "IMEのモードにより色を変えます。\n"
            "Arduinoのシリアルポート名一覧が読み込めませんでした。\n"
            "「arduino_portname."
            "txt」ファイルが同じ階層に存在して、かつ中身があることを確認してください。\n");
  EXPECT_TRUE(Called("pause:2"));
}

TEST_F(EndPathsTest, AFailedSystemCallGivesTheSystemsReasonAndTheProgramsOwnFailuresNone) {
  using Script = void (*)(fake::Platform&);
  const std::vector<std::pair<std::string_view, Script>> systemCalls = {
      {"入力されたCOMポート番号が開けません。\n", [](fake::Platform& f) { f.portOpens = false; }},
      {"SET UP FAILED\n", [](fake::Platform& f) { f.queuesSet = false; }},
      {"CLEAR FAILED\n", [](fake::Platform& f) { f.purges = false; }},
      {"SetCommState FAILED\n", [](fake::Platform& f) { f.lineSettingsApply = false; }},
      {"SetCommTimeouts FAILED\n", [](fake::Platform& f) { f.timeoutsSet = false; }},
      {"Recept FAILED\n", [](fake::Platform& f) { f.received = {platform::ReadOutcome{}}; }},
      {"装置に信号を送信できませんでした\n", [](fake::Platform& f) { f.failingWrite = 0; }},
      {"SetConsoleCtrlHandler FAILED\n", [](fake::Platform& f) { f.handlerInstalls = false; }},
      {"見つけたポート番号は、COM3\n",
       [](fake::Platform& f) {
         f.priorityLowers = false;
         f.priorityError = 13;
       }},
  };
  for (const auto& [message, script] : systemCalls) {
    Prepare();
    script(Fake());
    Run();
    EXPECT_NE(Fake().Console().find(std::string(message) + "理由: reason 13\n"), std::string::npos)
        << Fake().Console();
  }
  const std::vector<Script> programsOwn = {
      [](fake::Platform& /*f*/) { UseListFile("// none yet\n"); },
      [](fake::Platform& /*f*/) { UseListFile("Arduino Mega\n"); },
      [](fake::Platform& f) { f.received.clear(); },
      [](fake::Platform& f) {
        f.received.clear();
        fake::Receive("Lumivantrexia1\r");
      },
  };
  for (const Script script : programsOwn) {
    Prepare();
    script(Fake());
    EXPECT_NE(Run(), 0);
    EXPECT_EQ(Fake().Console().find("理由"), std::string::npos) << Fake().Console();
  }
}

TEST_F(EndPathsTest, EveryConsoleEventEndsWithTheLampDark) {
  for (const auto event : {platform::ConsoleEvent::CtrlC, platform::ConsoleEvent::CtrlBreak,
                           platform::ConsoleEvent::Close, platform::ConsoleEvent::Logoff,
                           platform::ConsoleEvent::Shutdown}) {
    fake::Reset();
    hComm = static_cast<platform::PortHandle>(7);
    EXPECT_EQ(StatusOf([event] { HandlerRoutine(event); }), 0);
    EXPECT_EQ(Fake().Console(), "\n終了しました。\n");
    EXPECT_EQ(Fake().Bytes(), "rgb");
    EXPECT_EQ(Fake().calls.front(), "claim");
  }
}

TEST_F(EndPathsTest, InstallsTheHandlerThatEndsTheProgramAndWatchesForAwayOnTheOpenPort) {
  Run();
  EXPECT_EQ(Fake().handler, &HandlerRoutine);
  EXPECT_EQ(Fake().awayWatched, static_cast<platform::PortHandle>(7));  // the one the fake opens
}

TEST_F(EndPathsTest, AFailedLampOffStopsAtTheFailingByte) {
  Fake().failingWrite = 1;
  hComm = static_cast<platform::PortHandle>(7);
  EXPECT_EQ(StatusOf([] { ExitWithLampOff(); }), 1);
  EXPECT_EQ(Fake().Bytes(), "r");
  EXPECT_EQ(Fake().Console(),
            "\n終了しました。\n装置に信号を送信できませんでした\n理由: reason 13\n");
}

}  // namespace
