// Splitting a port's friendly name, "description (port)", into its parts.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace discovery
