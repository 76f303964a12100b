#include "platform/linux/desktop/ibus_address.h"

namespace platform::desktop {
namespace {

constexpr std::string_view kLocalHost = "unix";

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const auto first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::string FileName(std::string_view machineId, std::string_view host,
                     std::string_view displayNumber) {
  std::string name(Trimmed(machineId));
  name.append("-").append(host.empty() ? kLocalHost : host).append("-").append(displayNumber);
  return name;
}

}  // namespace

std::string IbusAddressFileName(std::string_view machineId, std::string_view waylandDisplay,
                                std::string_view x11Display) {
  if (!waylandDisplay.empty()) return FileName(machineId, kLocalHost, waylandDisplay);
  if (x11Display.empty()) return FileName(machineId, kLocalHost, "0");
  // "host:number.screen", where host may be empty and the screen left out.
  const auto colon = x11Display.find(':');
  if (colon == std::string_view::npos) return FileName(machineId, x11Display, "");
  const std::string_view number = x11Display.substr(colon + 1);
  return FileName(machineId, x11Display.substr(0, colon), number.substr(0, number.find('.')));
}

std::string IbusAddressFromFile(std::string_view content) {
  constexpr std::string_view kKey = "IBUS_ADDRESS=";
  while (!content.empty()) {
    const auto end = content.find('\n');
    const std::string_view line = Trimmed(content.substr(0, end));
    if (line.starts_with(kKey)) return std::string(Trimmed(line.substr(kKey.size())));
    if (end == std::string_view::npos) break;
    content.remove_prefix(end + 1);
  }
  return {};
}

}  // namespace platform::desktop
