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
  void SetUp() override {
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
  EXPECT_FALSE(Called("pause"));
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
      "見つけたポート番号は、COM3\n(ERROR_PROCESS_MODE_ALREADY_BACKGROUND\nFINISH\n"));
  EXPECT_FALSE(Called("open:COM3"));
  EXPECT_TRUE(Called("pause"));
}

TEST_F(EndPathsTest, AnyOtherPriorityFailureEndsWithFinishAlone) {
  Fake().priorityLowers = false;
  Fake().priorityError = 5;
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(Fake().Console().ends_with("見つけたポート番号は、COM3\nFINISH\n"));
  EXPECT_FALSE(Called("close"));
}

TEST_F(EndPathsTest, AHandlerThatCannotBeInstalledFailsWithTheLampOff) {
  Fake().handlerInstalls = false;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Fake().Console(), std::string(kStart) + "SetConsoleCtrlHandler FAILED\n");
  const std::vector<std::string> end = {"text:SetConsoleCtrlHandler FAILED\n",
                                        "byte:r",
                                        "byte:g",
                                        "byte:b",
                                        "close",
                                        "pause",
                                        "end:1"};
  EXPECT_TRUE(std::equal(end.rbegin(), end.rend(), Fake().calls.rbegin()));
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
  EXPECT_TRUE(Called("pause"));
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
  EXPECT_TRUE(Called("pause"));
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

TEST_F(EndPathsTest, InstallsTheHandlerThatEndsTheProgram) {
  Run();
  EXPECT_EQ(Fake().handler, &HandlerRoutine);
}

TEST_F(EndPathsTest, AFailedLampOffStopsAtTheFailingByte) {
  Fake().failingWrite = 1;
  hComm = static_cast<platform::PortHandle>(7);
  EXPECT_EQ(StatusOf([] { ExitWithLampOff(); }), 1);
  EXPECT_EQ(Fake().Bytes(), "r");
  EXPECT_EQ(Fake().Console(), "\n終了しました。\n装置に信号を送信できませんでした\n");
}

}  // namespace
