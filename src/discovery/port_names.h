// The names of the serial ports present: each friendly name, "description
// (port)", cut into its parts, and the ports whose description the list file
// names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace discovery {

struct PortParts {
  std::u16string portNo;    // what stands inside the last parentheses: COM3, /dev/ttyACM0
  std::u16string portName;  // the description before them
};

// The port is what lies between the last "(" and the last ")", the
// description everything up to the character before the last "(". Names that
// break the pattern go through the same arithmetic, a missing parenthesis
// standing at position npos.
PortParts CutFriendlyName(std::u16string_view friendlyName);

struct FoundPort {
  std::u16string portNo;
  std::u16string portName;
};

// portNos and portNames describe the ports present, in enumeration order,
// position by position. A port matches a list entry when its description
// equals the entry exactly. Matches come in list order, then enumeration
// order; a port named by several entries comes once, at its first match.
std::vector<FoundPort> MatchPorts(const std::vector<std::u16string>& listEntries,
                                  const std::vector<std::u16string>& portNos,
                                  const std::vector<std::u16string>& portNames);

}  // namespace discovery
