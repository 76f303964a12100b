#include "discovery/list_line.h"

#include <utility>

#include "text/utf.h"

namespace discovery {

ListLine ClassifyListLine(std::string_view line, bool isFirstLine) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (isFirstLine && line.starts_with(kByteOrderMark)) {
    line.remove_prefix(kByteOrderMark.size());
  }
  if (line.empty() || line.starts_with("//")) {
    return {LineKind::Skip, {}};
  }
  auto entry = text::Utf8ToUtf16(line);
  if (!entry) {
    return {LineKind::NotUtf8, {}};
  }
  return {LineKind::Entry, std::move(*entry)};
}

}  // namespace discovery
