#include "discovery/list_file.h"

#include <string>
#include <string_view>

#include "app/end_routines.h"
#include "app/globals.h"
#include "discovery/list_line.h"

namespace {

constexpr int kEnd = std::char_traits<char>::eof();

struct ListReading {
  std::size_t bytesLeft = kListFileBytes;
  bool cutShort = false;  // the file goes on beyond kListFileBytes
};

// The next byte within the part that is read, or kEnd.
int NextByte(ListReading& reading) {
  if (reading.bytesLeft == 0) {
    reading.cutShort = reading.cutShort || ifsPortNameList.peek() != kEnd;
    return kEnd;
  }
  const int byte = ifsPortNameList.get();
  if (byte != kEnd) --reading.bytesLeft;
  return byte;
}

enum class LineRead { Line, TooLong, None };

// The bytes of the next line without its line end: LF, CR LF or a lone CR.
// A line longer than kListLineBytes is read to its end but kept no further.
// None at the end of the part read, and for a line that its end cuts short.
LineRead ReadListLine(std::string& line, ListReading& reading) {
  line.clear();
  int byte = NextByte(reading);
  if (byte == kEnd) return LineRead::None;
  bool tooLong = false;
  for (; byte != kEnd && byte != '\n'; byte = NextByte(reading)) {
    if (byte == '\r') {
      if (ifsPortNameList.peek() == '\n') NextByte(reading);
      break;
    }
    if (line.size() == kListLineBytes) {
      tooLong = true;
    } else {
      line += static_cast<char>(byte);
    }
  }
  if (byte == kEnd && reading.cutShort) return LineRead::None;
  return tooLong ? LineRead::TooLong : LineRead::Line;
}

void SkippedLine(int lineNo, std::string_view why) {
  platform::WriteText("「arduino_portname.txt」の " + std::to_string(lineNo) + " 行目は" +
                      std::string(why) + "ため読み飛ばしました。\n");
}

}  // namespace

int LoadArduinoNameList() {
  ListReading reading;
  std::string line;
  int lineNo = 1;
  for (LineRead read = ReadListLine(line, reading); read != LineRead::None;
       read = ReadListLine(line, reading), ++lineNo) {
    if (read == LineRead::TooLong) {
      SkippedLine(lineNo, "長すぎる");
      continue;
    }
    discovery::ListLine parsed = discovery::ClassifyListLine(line, lineNo == 1);
    if (parsed.kind == discovery::LineKind::Entry) {
      ArduinoNameList.push_back(std::move(parsed.entry));
    } else if (parsed.kind == discovery::LineKind::NotUtf8) {
      SkippedLine(lineNo, "UTF-8として読めない");
    }
  }
  if (reading.cutShort) {
    platform::WriteText("「arduino_portname.txt」の 1 MiB を超える部分は読み飛ばしました。\n");
  }
  if (ArduinoNameList.empty()) {
    constexpr std::string_view kUnreadable =
        "Arduinoのシリアルポート名一覧が読み込めませんでした。\n"
        "「arduino_portname."
        "txt」ファイルが同じ階層に存在して、かつ中身があることを確認してください。"
        "\n";
    // A file or folder that the user may not read says so in the system's words.
    if (errPortNameList) FailAndExit(kUnreadable, *errPortNameList, kStatusNothingToDrive);
    FailAndExit(kUnreadable, kStatusNothingToDrive);
  }
  return 1;
}
