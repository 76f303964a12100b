// The serial ports present, as Device Manager names them.
#include <windows.h>

// initguid.h first, so that devguid.h defines the class GUIDs here rather
// than only declaring them.
#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

std::vector<std::u16string> ListPortFriendlyNames() {
  std::vector<std::u16string> names;
  const HDEVINFO devices =
      SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) {
    return names;
  }
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  std::array<char16_t, 256> buffer{};
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                           reinterpret_cast<PBYTE>(buffer.data()), sizeof(buffer),
                                           nullptr)) {
      continue;
    }
    names.emplace_back(buffer.begin(), std::find(buffer.begin(), buffer.end(), u'\0'));
  }
  SetupDiDestroyDeviceInfoList(devices);
  return names;
}

}  // namespace platform
