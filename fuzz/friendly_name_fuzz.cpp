// Cutting a port's friendly name, from any UTF-16 text (two bytes a unit).
#include <cstddef>
#include <cstdint>
#include <string>

#include "discovery/port_names.h"
#include "fuzz/require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string name(size / 2, u'\0');
  for (std::size_t i = 0; i < name.size(); ++i) {
    name[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8U));
  }
  const discovery::PortParts parts = discovery::CutFriendlyName(name);
  Require(name.find(parts.portNo) != std::u16string::npos, "the port is a piece of the name");
  Require(name.starts_with(parts.portName), "the description starts the name");

  // A name of the expected form is cut exactly.
  const std::size_t open = name.rfind(u'(');
  const std::size_t close = name.rfind(u')');
  if (open != std::u16string::npos && open > 0 && name[open - 1] == u' ' &&
      close == name.size() - 1 && close > open) {
    Require(parts.portName + u" (" + parts.portNo + u")" == name,
            "a well-formed name is cut whole");
  }
  return 0;
}
