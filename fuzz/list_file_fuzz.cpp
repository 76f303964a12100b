// The whole list file, loaded as at start-up (over the unit tests' fake
// platform, whose end of the process is an exception).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "app/globals.h"
#include "discovery/list_file.h"
#include "fake/fake_platform.h"
#include "fuzz/require.h"
#include "text/utf.h"

namespace {

// The process's own list file, removed when the fuzzer exits.
struct ListFile {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("morvane_fuzz_" + std::to_string(::getpid()) + "_arduino_portname.txt");
  ListFile() = default;
  ListFile(const ListFile&) = delete;
  ListFile& operator=(const ListFile&) = delete;
  ~ListFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
};

const std::filesystem::path& ListPath() {
  static const ListFile file;
  return file.path;
}

// Every entry is one of the file's lines, without its line end.
bool IsALineOf(const std::u16string& entry, std::string_view file) {
  const std::string line = text::Utf16ToUtf8(entry);
  for (std::size_t at = file.find(line); at != std::string_view::npos;
       at = file.find(line, at + 1)) {
    const bool startsLine =
        at == 0 || file[at - 1] == '\n' || (at == 3 && file.starts_with("\xEF\xBB\xBF"));
    const std::string_view rest = file.substr(at + line.size());
    const bool endsLine = rest.empty() || rest.starts_with('\n') || rest.starts_with("\r\n");
    if (startsLine && endsLine) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  fake::Reset();
  std::ofstream(ListPath(), std::ios::binary | std::ios::trunc) << file;
  ifsPortNameList = std::ifstream(ListPath(), std::ios::in | std::ios::binary);
  const auto end = fake::EndStatusOf([] { LoadArduinoNameList(); });
  Require(!end || *end == 1, "an empty list fails");
  Require(end.has_value() == ArduinoNameList.empty(),
          "the load ends exactly when no entry is found");
  for (const std::u16string& entry : ArduinoNameList) {
    Require(!entry.empty(), "no entry is empty");
    Require(IsALineOf(entry, file), "every entry is a line of the file");
  }
  ArduinoNameList.clear();
  return 0;
}
