#include "discovery/port_matching.h"

#include <algorithm>
#include <cstddef>

namespace discovery {

std::vector<FoundPort> MatchPorts(const std::vector<std::u16string>& listEntries,
                                  const std::vector<std::u16string>& portNos,
                                  const std::vector<std::u16string>& portNames) {
  const std::size_t portCount = std::min(portNos.size(), portNames.size());
  std::vector<bool> taken(portCount, false);
  std::vector<FoundPort> found;
  for (const std::u16string& entry : listEntries) {
    for (std::size_t port = 0; port < portCount; ++port) {
      if (!taken[port] && portNames[port] == entry) {
        taken[port] = true;
        found.push_back({portNos[port], portNames[port]});
      }
    }
  }
  return found;
}

}  // namespace discovery
