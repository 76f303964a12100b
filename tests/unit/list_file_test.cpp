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

TEST_F(ListFileTest, KeepsALastLineWithoutLineEndAndACrInsideALine) {
  UseListFile("a\rb\nlast");
  LoadArduinoNameList();
  EXPECT_EQ(ArduinoNameList, (std::vector<std::u16string>{u"a\rb", u"last"}));
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
  EXPECT_TRUE(Called("pause"));
}

TEST_F(ListFileTest, ALineOfInvalidUtf8AloneCountsAsNoEntry) {
  UseListFile("\xC0\xAF\n");
  EXPECT_EQ(StatusOf([] { LoadArduinoNameList(); }), 2);
  EXPECT_NE(Fake().Console().find("Arduinoのシリアルポート名一覧が読み込めませんでした。"),
            std::string::npos);
}

}  // namespace
