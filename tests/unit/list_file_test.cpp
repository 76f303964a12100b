// Loading the list file as the program does at start-up.
#include "discovery/list_file.h"
#include "app/globals.h"
#include "fake/list_file_fixture.h"
#include "fake/program_test.h"

namespace {

class ListFileTest : public ProgramTest {};

TEST_F(ListFileTest, CrLfAndLfFilesGiveTheSameEntries) {
  UseListFile("Arduino Uno\r\n// note\r\n\r\nUSB Serial Device\r\n");
  LoadArduinoNameList();
  const std::vector<std::u16string> crlf = ArduinoNameList;
  ArduinoNameList.clear();
  UseListFile("Arduino Uno\n// note\n\nUSB Serial Device\n");
  LoadArduinoNameList();
  EXPECT_EQ(ArduinoNameList, crlf);
  EXPECT_EQ(crlf, (std::vector<std::u16string>{u"Arduino Uno", u"USB Serial Device"}));
}

TEST_F(ListFileTest, ALoneCrEndsALineAsLfAndCrLfDo) {
  // As an editor that saves with CR line ends writes it, and a last line
  // without a line end.
  UseListFile("// boards\rArduino Uno\r\rUSB Serial Device\r\nlast");
  LoadArduinoNameList();
  EXPECT_EQ(ArduinoNameList,
            (std::vector<std::u16string>{u"Arduino Uno", u"USB Serial Device", u"last"}));
  ArduinoNameList.clear();
  UseListFile("Arduino Uno\r");
  LoadArduinoNameList();
  EXPECT_EQ(ArduinoNameList, (std::vector<std::u16string>{u"Arduino Uno"}));
}

TEST_F(ListFileTest, SkipsLinesTooLongAndWhatLiesBeyondOneMebibyte) {
  std::string file = "Arduino Uno\n" + std::string(kListLineBytes + 1, 'x') + "\n" +
                     std::string(kListLineBytes, 'y') + "\n";
  // Notes up to three bytes short of the limit, which then cuts the next line.
  const std::size_t filler = kListFileBytes - 3 - file.size();
  for (std::size_t note = 0; note < filler / 3; ++note) file += "//\n";
  file += std::string(filler % 3, '\n') + "Beyond\nAfter\n";
  UseListFile(file);
  LoadArduinoNameList();
  EXPECT_EQ(ArduinoNameList,
            (std::vector<std::u16string>{u"Arduino Uno", std::u16string(kListLineBytes, u'y')}));
  EXPECT_EQ(Fake().Console(),
            "「arduino_portname.txt」の 2 行目は長すぎるため読み飛ばしました。\n"
            "「arduino_portname.txt」の 1 MiB を超える部分は読み飛ばしました。\n");
}

TEST_F(ListFileTest, DropsAByteOrderMarkSoTheFirstEntryCanMatch) {
  UseListFile(
      "\xEF\xBB\xBF"
      "Arduino Uno\n");
  LoadArduinoNameList();
  EXPECT_EQ(ArduinoNameList, (std::vector<std::u16string>{u"Arduino Uno"}));
}

TEST_F(ListFileTest, SkipsALineThatIsNotUtf8WithAWarning) {
  UseListFile("Arduino Uno\nbad \xFF line\n\xE3\x81\n日本語のボード\n");
  LoadArduinoNameList();
  EXPECT_EQ(ArduinoNameList, (std::vector<std::u16string>{u"Arduino Uno", u"日本語のボード"}));
  EXPECT_EQ(Fake().Console(),
            "「arduino_portname.txt」の 2 行目はUTF-8として読めないため読み飛ばしました。\n"
            "「arduino_portname.txt」の 3 行目はUTF-8として読めないため読み飛ばしました。\n");
}

TEST_F(ListFileTest, AMissingFileAndACommentOnlyFileEndAlike) {
  UseMissingListFile();
  EXPECT_EQ(StatusOf([] { LoadArduinoNameList(); }), 2);
  const auto missing = Fake().calls;
  fake::Reset();
  UseListFile("// a\n\n///\n");
  EXPECT_EQ(StatusOf([] { LoadArduinoNameList(); }), 2);
  EXPECT_EQ(Fake().calls, missing);
  EXPECT_TRUE(Called("pause:2"));
}

TEST_F(ListFileTest, AFileThatCannotBeReadAddsTheSystemsReason) {
  UseUnreadableListFile(13);
  EXPECT_EQ(StatusOf([] { LoadArduinoNameList(); }), 2);
  EXPECT_TRUE(Fake().Console().ends_with("中身があることを確認してください。\n理由: reason 13\n"))
      << Fake().Console();
  EXPECT_TRUE(Called("pause:2"));
}

TEST_F(ListFileTest, ALineOfInvalidUtf8AloneCountsAsNoEntry) {
  UseListFile("\xC0\xAF\n");
  EXPECT_EQ(StatusOf([] { LoadArduinoNameList(); }), 2);
  EXPECT_NE(Fake().Console().find("Arduinoのシリアルポート名一覧が読み込めませんでした。"),
            std::string::npos);
}

}  // namespace
