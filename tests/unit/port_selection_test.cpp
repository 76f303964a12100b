// Enumerating, matching and choosing as the program does at start-up.
#include "discovery/port_selection.h"
#include "app/globals.h"
#include "fake/program_test.h"

namespace {

class PortSelectionTest : public ProgramTest {
 protected:
  int Select(std::vector<std::u16string> listed, std::vector<std::string> present) {
    ArduinoNameList = std::move(listed);
    Fake().friendlyNames = std::move(present);
    EnumerateSerialPorts();
    return SelectSerialPort();
  }
};

TEST_F(PortSelectionTest, EnumerationKeepsTheListsParallel) {
  Fake().friendlyNames = {"Arduino Uno (COM3)", "Printer Port (LPT1)", "NoParens",
                          "USB シリアル \U0001F600 (COM4)"};
  EnumerateSerialPorts();
  EXPECT_EQ(PortNoList, (std::vector<std::u16string>{u"COM3", u"LPT1", u"NoParens", u"COM4"}));
  EXPECT_EQ(PortNameList, (std::vector<std::u16string>{u"Arduino Uno", u"Printer Port", u"NoParens",
                                                       u"USB シリアル \U0001F600"}));
}

TEST_F(PortSelectionTest, OneMatchIsTakenWithoutAsking) {
  EXPECT_EQ(Select({u"Arduino Uno"}, {"Communications Port (COM1)", "Arduino Uno (COM3)"}), 1);
  EXPECT_EQ(strCOMport, u"COM3");
  EXPECT_EQ(Fake().Console(), "見つけたポート番号は、COM3\n");
  EXPECT_FALSE(Called("readline"));
}

TEST_F(PortSelectionTest, ADeviceListedTwiceIsStillOneMatch) {
  EXPECT_EQ(Select({u"Arduino Uno", u"Arduino Uno"}, {"Arduino Uno (COM3)"}), 1);
  EXPECT_EQ(strCOMport, u"COM3");
  EXPECT_FALSE(Called("readline"));
}

TEST_F(PortSelectionTest, SeveralMatchesShowTheMenuInListOrder) {
  Fake().typedLines = {"12"};
  EXPECT_EQ(
      Select({u"Arduino Mega", u"Arduino Uno"}, {"Arduino Uno (COM3)", "Arduino Mega (COM12)"}), 1);
  EXPECT_EQ(Fake().Console(),
            "\nふたつ以上のArduino(互換機含む)が見つかりました。\n"
            "どれを使うか選択してください。\n"
            "数字を入力して[Enter]キーを押してください。\n\n"
            "[12] COM12 : Arduino Mega\n"
            "[3] COM3 : Arduino Uno\n"
            "\n"
            "入力された番号は、12\n"
            "選択されたポート番号は、COM12\n");
  EXPECT_EQ(strCOMport, u"COM12");
  EXPECT_EQ(MenuNumberList, (std::vector<std::int32_t>{12, 3}));
}

TEST_F(PortSelectionTest, TheChosenRowsOwnPortIsOpenedNotComAndTheNumber) {
  Fake().typedLines = {"2"};
  Select({u"Arduino Uno"}, {"Arduino Uno (LPT1)", "Arduino Uno (COM1)"});
  // COM1 keeps its own number; LPT1 takes the smallest one free.
  EXPECT_EQ(MenuNumberList, (std::vector<std::int32_t>{2, 1}));
  EXPECT_EQ(strCOMport, u"LPT1");
}

TEST_F(PortSelectionTest, TypedVariantsOfANumberChooseItsRow) {
  for (const std::string typed : {"03", "3abc", " 3", "３"}) {
    fake::Reset();
    Fake().typedLines = {typed};
    Select({u"Arduino Uno"}, {"Arduino Uno (COM3)", "Arduino Uno (COM4)"});
    EXPECT_EQ(strCOMport, u"COM3") << typed;
    EXPECT_NE(Fake().Console().find("入力された番号は、" + typed + "\n"), std::string::npos);
  }
}

TEST_F(PortSelectionTest, InputThatNamesNoRowLeavesThePortUnchosen) {
  for (const std::string typed : {"5", "", "abc", "99999999999999"}) {
    fake::Reset();
    Fake().typedLines = {typed};
    EXPECT_EQ(Select({u"Arduino Uno"}, {"Arduino Uno (COM3)", "Arduino Uno (COM4)"}), 1);
    EXPECT_EQ(strCOMport, u"");
    EXPECT_EQ(Fake().Console().find("入力された番号は"), std::string::npos);
  }
}

TEST_F(PortSelectionTest, EndOfInputAtTheMenuEndsWithNothingToDrive) {
  EXPECT_EQ(StatusOf([this] {
              Select({u"Arduino Uno"}, {"Arduino Uno (COM3)", "Arduino Uno (COM4)"});
            }),
            2);
  EXPECT_TRUE(Fake().Console().ends_with(
      "[3] COM3 : Arduino Uno\n[4] COM4 : Arduino Uno\n\n"
      "番号が入力されないため、どのArduino(互換機含む)を使うか選べません。\n"
      "「arduino_portname.txt」には使うボードをひとつだけ記載してください"
      "(同じ名称のボードが複数あるときは、ひとつだけ接続してください)。\n"))
      << Fake().Console();
  EXPECT_TRUE(Called("pause:2"));
}

TEST_F(PortSelectionTest, DevicePathsAreNumberedInOrder) {
  Fake().typedLines = {"2"};
  Select({u"Arduino Uno"}, {"Arduino Uno (/dev/ttyACM0)", "Arduino Uno (/dev/ttyACM1)"});
  EXPECT_NE(
      Fake().Console().find("[1] /dev/ttyACM0 : Arduino Uno\n[2] /dev/ttyACM1 : Arduino Uno\n"),
      std::string::npos);
  EXPECT_EQ(strCOMport, u"/dev/ttyACM1");
}

TEST_F(PortSelectionTest, NoMatchReturnsZeroAfterItsTwoMessages) {
  EXPECT_EQ(Select({u"arduino uno"}, {"Arduino Uno (COM3)"}), 0);
  EXPECT_TRUE(
      Fake().Console().starts_with("Arduino(互換機含む)がひとつも見つかりませんでした。\n"));
  EXPECT_EQ(DescribePortsPresent(),
            "見つかったシリアルポートの名称は次のとおりです。\n  COM3 : Arduino Uno\n");
}

}  // namespace
