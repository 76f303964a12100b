// One line of the list file: the first input byte says whether it is the
// file's first line, the rest is the line.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "discovery/list_line.h"
#include "fuzz/require.h"
#include "text/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool first = (data[0] & 1U) != 0;
  std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);
  const discovery::ListLine parsed = discovery::ClassifyListLine(line, first);
  if (first && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
  switch (parsed.kind) {
    case discovery::LineKind::Entry:
      Require(text::Utf16ToUtf8(parsed.entry) == line, "an entry is its line, byte for byte");
      Require(!line.starts_with("//"), "a comment is never an entry");
      break;
    case discovery::LineKind::Skip:
      Require(line.empty() || line.starts_with("//"), "only empty lines and comments are skipped");
      Require(parsed.entry.empty(), "a skipped line leaves no entry");
      break;
    case discovery::LineKind::NotUtf8:
      Require(!text::Utf8ToUtf16(line), "only ill-formed lines are refused");
      break;
  }
  return 0;
}
