// The serial ports present, as Device Manager names them.
#include <windows.h>

// initguid.h first, so that devguid.h defines the class GUIDs here rather
// than only declaring them.
#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/code_pages.h"

namespace platform {
namespace {

// The friendly name's buffer: a name that fills it leaves no room for its
// terminating NUL and counts as too long.
using NameBuffer = std::array<wchar_t, 256>;

// The name is as long as the size that the call reports, never up to the
// first NUL: a value stored without one would pick up the tail of an earlier,
// longer name from the buffer.
std::optional<std::string> FriendlyName(HDEVINFO devices, SP_DEVINFO_DATA& device,
                                        NameBuffer& buffer) {
  DWORD bytes = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                         reinterpret_cast<PBYTE>(buffer.data()), sizeof(buffer),
                                         &bytes)) {
    return std::nullopt;
  }
  std::wstring_view name(buffer.data(),
                         std::min<std::size_t>(bytes / sizeof(WCHAR), buffer.size()));
  while (!name.empty() && name.back() == L'\0') {
    name.remove_suffix(1);
  }
  if (name.size() >= buffer.size()) {
    return std::nullopt;
  }
  return win32::FromWide(name, CP_UTF8);
}

}  // namespace

std::vector<std::string> ListPortFriendlyNames() {
  std::vector<std::string> names;
  const HDEVINFO devices =
      SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) {
    return names;
  }
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  NameBuffer buffer{};
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    if (auto name = FriendlyName(devices, device, buffer)) {
      names.push_back(std::move(*name));
    }
  }
  SetupDiDestroyDeviceInfoList(devices);
  return names;
}

}  // namespace platform
