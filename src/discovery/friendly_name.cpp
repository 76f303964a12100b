#include "discovery/friendly_name.h"

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

}  // namespace discovery
