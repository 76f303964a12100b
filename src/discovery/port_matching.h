// Picking, among the serial ports present, those the list file names.
#pragma once

#include <string>
#include <vector>

namespace discovery {

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
