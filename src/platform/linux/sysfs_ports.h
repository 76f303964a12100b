// The serial ports of a Linux system, read from sysfs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// SYSFS_PATH when set, as Linux device libraries allow moving the tree;
// else /sys.
std::filesystem::path SysfsRoot();

// Friendly names, "description (/dev/node)", of the ports under
// <sysfsRoot>/class/tty that have a device behind them, in natural order of
// their names (ttyACM2 before ttyACM10). The description is the USB device's
// product, else its manufacturer, else the driver's name; bytes of it that are
// not UTF-8 become U+FFFD. Never throws: what cannot be read is skipped or
// falls back.
std::vector<std::string> ReadSysfsPortNames(const std::filesystem::path& sysfsRoot);

}  // namespace platform
