#include "discovery/port_selection.h"

#include <optional>
#include <string>
#include <utility>

#include "app/end_routines.h"
#include "app/globals.h"
#include "discovery/menu.h"
#include "discovery/port_names.h"
#include "text/utf.h"

namespace {

// A port's number or name, or a typed line, as the console shows it: the
// system, a device or the user may have put control characters in it.
std::string Shown(std::u16string_view name) { return text::TerminalSafe(text::Utf16ToUtf8(name)); }

void ShowMenu() {
  platform::WriteText(
      "\nふたつ以上のArduino(互換機含む)が見つかりました。\n"
      "どれを使うか選択してください。\n"
      "数字を入力して[Enter]キーを押してください。\n\n");
  MenuNumberList = discovery::MenuNumbers(FoundPortNoList);
  for (std::size_t row = 0; row < FoundPortNoList.size(); ++row) {
    // Appended piece by piece: GCC 12 warns falsely on "[" + std::to_string(...).
    std::string line = "[";
    line += std::to_string(MenuNumberList[row]);
    line += "] " + Shown(FoundPortNoList[row]) + " : " + Shown(FoundPortNameList[row]);
    platform::WriteText(line + "\n");
  }
  platform::WriteText("\n");
}

// A choice that no row shows leaves strCOMport empty: the port then fails
// to open, which tells the user. With nobody to ask (a service, a pipe that
// has ended) no choice will ever come, and starting again changes nothing.
void TakeTypedChoice() {
  std::optional<std::string> typed = platform::ReadLine();
  if (!typed) {
    FailAndExit(
        "番号が入力されないため、どのArduino(互換機含む)を使うか選べません。\n"
        "「arduino_portname.txt」には使うボードをひとつだけ記載してください"
        "(同じ名称のボードが複数あるときは、ひとつだけ接続してください)。\n",
        kStatusNothingToDrive);
  }
  strSelect = std::move(*typed);
  const auto row = discovery::ChooseMenuRow(MenuNumberList, strSelect);
  if (!row) return;
  platform::WriteText("入力された番号は、" + text::TerminalSafe(strSelect) + "\n");
  strCOMport = FoundPortNoList[*row];
  platform::WriteText("選択されたポート番号は、" + Shown(strCOMport) + "\n");
}

}  // namespace

int EnumerateSerialPorts() {
  for (const std::string& friendlyName : platform::ListPortFriendlyNames()) {
    discovery::PortParts parts = discovery::CutFriendlyName(text::Utf8ToUtf16Lossy(friendlyName));
    PortNoList.push_back(std::move(parts.portNo));
    PortNameList.push_back(std::move(parts.portName));
  }
  return 1;
}

int SelectSerialPort() {
  for (discovery::FoundPort& match :
       discovery::MatchPorts(ArduinoNameList, PortNoList, PortNameList)) {
    FoundPortNoList.push_back(std::move(match.portNo));
    FoundPortNameList.push_back(std::move(match.portName));
  }
  if (FoundPortNoList.empty()) {
    platform::WriteText(
        "Arduino(互換機含む)がひとつも見つかりませんでした。\n"
        "接続されているのにこのエラーが出る場合は、「arduino_portname."
        "txt」ファイルが同じ階層に存在し"
        "て、かつ記載があることを確認してください。\n");
    return 0;
  }
  if (FoundPortNoList.size() == 1) {
    strCOMport = FoundPortNoList.front();
    platform::WriteText("見つけたポート番号は、" + Shown(strCOMport) + "\n");
    return 1;
  }
  ShowMenu();
  TakeTypedChoice();
  return 1;
}

std::string DescribePortsPresent() {
  if (PortNoList.empty()) return "シリアルポートがひとつも見つかりませんでした。\n";
  std::string listing = "見つかったシリアルポートの名称は次のとおりです。\n";
  for (std::size_t port = 0; port < PortNoList.size(); ++port) {
    listing += "  " + Shown(PortNoList[port]) + " : " + Shown(PortNameList[port]) + "\n";
  }
  return listing;
}
