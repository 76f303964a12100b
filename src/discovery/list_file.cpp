#include "discovery/list_file.h"

#include "app/end_routines.h"
#include "app/globals.h"
#include "discovery/list_line.h"

namespace {

// The bytes up to the next LF without it, and without a CR just before it.
bool ReadListLine(std::string& line) {
  if (!std::getline(ifsPortNameList, line)) return false;
  const bool endedByLf = !ifsPortNameList.eof();
  if (endedByLf && !line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

int LoadArduinoNameList() {
  std::string line;
  for (int lineNo = 1; ReadListLine(line); ++lineNo) {
    discovery::ListLine parsed = discovery::ClassifyListLine(line, lineNo == 1);
    if (parsed.kind == discovery::LineKind::Entry) {
      ArduinoNameList.push_back(std::move(parsed.entry));
    } else if (parsed.kind == discovery::LineKind::NotUtf8) {
      platform::WriteText("「arduino_portname.txt」の " + std::to_string(lineNo) +
                          " 行目はUTF-8として読めないため読み飛ばしました。\n");
    }
  }
  if (ArduinoNameList.empty()) {
    FailAndExit(
        "Arduinoのシリアルポート名一覧が読み込めませんでした。\n"
        "「arduino_portname."
        "txt」ファイルが同じ階層に存在して、かつ中身があることを確認してください。"
        "\n",
        kStatusNothingToDrive);
  }
  return 1;
}
