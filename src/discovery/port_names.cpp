#include "discovery/port_names.h"

#include <algorithm>
#include <cstddef>

namespace discovery {

PortParts CutFriendlyName(std::u16string_view friendlyName) {
  // Unsigned wrap-around is intended: with a parenthesis missing, npos + 1 is
  // 0 and the lengths run to the end of the name.
  const std::size_t openPos = friendlyName.rfind(u'(');
  const std::size_t closePos = friendlyName.rfind(u')');
  return {std::u16string(friendlyName.substr(openPos + 1, closePos - openPos - 1)),
          std::u16string(friendlyName.substr(0, openPos - 1))};
}

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
