// The serial ports present on Linux, as sysfs names them.
#include "platform/linux/sysfs_ports.h"
#include "platform/platform.h"

namespace platform {

std::vector<std::string> ListPortFriendlyNames() { return ReadSysfsPortNames(SysfsRoot()); }

}  // namespace platform
