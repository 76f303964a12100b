// One line of the list file arduino_portname.txt, which names the device
// descriptions to look for, one a line, in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace discovery {

enum class LineKind { Skip, Entry, NotUtf8 };

struct ListLine {
  LineKind kind = LineKind::Skip;
  std::u16string entry;  // set for an Entry only
};

// line comes without its LF, and without the CR before it. Empty lines and
// lines that start with "//" are skipped; every other line is an entry byte
// for byte, blanks included. A byte-order mark at the start of the first line
// is not part of the line.
ListLine ClassifyListLine(std::string_view line, bool isFirstLine);

}  // namespace discovery
