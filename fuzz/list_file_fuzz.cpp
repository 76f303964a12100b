// The whole list file, loaded as at start-up (over the unit tests' fake
// platform, whose end of the process is an exception).
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "app/end_routines.h"
#include "app/globals.h"
#include "discovery/list_file.h"
#include "fake/fake_platform.h"
#include "fuzz/require.h"
#include "text/utf.h"

namespace {

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Every entry is one of the file's lines, without its line end (LF, CR LF or
// CR).
bool IsALineOf(const std::u16string& entry, std::string_view file) {
  const std::string line = text::Utf16ToUtf8(entry);
  for (std::size_t at = file.find(line); at != std::string_view::npos;
       at = file.find(line, at + 1)) {
    const bool startsLine =
        at == 0 || IsLineEnd(file[at - 1]) || (at == 3 && file.starts_with("\xEF\xBB\xBF"));
    const std::string_view rest = file.substr(at + line.size());
    const bool endsLine = rest.empty() || IsLineEnd(rest.front());
    if (startsLine && endsLine) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  fake::Reset();
  ifsPortNameList = std::istringstream(std::string(file));
  const auto end = fake::EndStatusOf([] { LoadArduinoNameList(); });
  Require(!end || *end == kStatusNothingToDrive, "an empty list fails");
  Require(end.has_value() == ArduinoNameList.empty(),
          "the load ends exactly when no entry is found");
  for (const std::u16string& entry : ArduinoNameList) {
    Require(!entry.empty(), "no entry is empty");
    Require(text::Utf16ToUtf8(entry).size() <= kListLineBytes, "no entry is too long");
    Require(IsALineOf(entry, file), "every entry is a line of the file");
  }
  ArduinoNameList.clear();
  return 0;
}
