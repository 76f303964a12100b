#include <cstdlib>

#include "platform/platform.h"
#include "platform/posix/sysfs_ports.h"

namespace platform {

std::vector<std::string> ListPortFriendlyNames() {
  // SYSFS_PATH moves the tree, as Linux device libraries allow.
  const char* root = std::getenv("SYSFS_PATH");
  return ReadSysfsPortNames(root != nullptr && *root != '\0' ? root : "/sys");
}

}  // namespace platform
