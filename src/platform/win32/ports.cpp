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
#include "platform/win32/code_pages.h"

namespace platform {

std::vector<std::string> ListPortFriendlyNames() {
  std::vector<std::string> names;
  const HDEVINFO devices =
      SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) {
    return names;
  }
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  std::array<wchar_t, 256> buffer{};
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                           reinterpret_cast<PBYTE>(buffer.data()), sizeof(buffer),
                                           nullptr)) {
      continue;
    }
    const auto end = std::find(buffer.begin(), buffer.end(), L'\0');
    names.push_back(win32::FromWide(std::wstring_view(buffer.begin(), end), CP_UTF8));
  }
  SetupDiDestroyDeviceInfoList(devices);
  return names;
}

}  // namespace platform
