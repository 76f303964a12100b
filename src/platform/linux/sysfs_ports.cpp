#include "platform/linux/sysfs_ports.h"

#include <algorithm>
#include <compare>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/linux/bounded_file.h"
#include "text/utf.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// A file of the tree as sysfs writes it: a regular file of one page at most.
// nullopt when it is missing, unreadable or anything else (a folder, a pipe).
std::optional<std::string> ReadSysfsFile(const fs::path& file) {
  int error = 0;
  return linux_os::ReadBoundedFile(file.c_str(), linux_os::kSysfsFileBytes, error);
}

// An attribute's text without its trailing line end and blanks; nullopt when
// the file cannot be read or is blank.
std::optional<std::string> ReadAttribute(const fs::path& file) {
  std::optional<std::string> value = ReadSysfsFile(file);
  if (!value) {
    return std::nullopt;
  }
  const auto end = value->find_last_not_of(" \t\r\n");
  if (end == std::string::npos) {
    return std::nullopt;
  }
  value->erase(end + 1);
  return value;
}

// The USB device a port hangs off: the nearest folder from device upwards,
// short of the sysfs root, that has an idVendor.
std::optional<fs::path> FindUsbDevice(fs::path folder, const fs::path& root) {
  std::error_code error;
  while (folder != root && folder.has_relative_path()) {
    if (fs::exists(folder / "idVendor", error)) {
      return folder;
    }
    folder = folder.parent_path();
  }
  return std::nullopt;
}

std::string DriverName(const fs::path& device, const std::string& entryName) {
  std::error_code error;
  const fs::path driver = fs::canonical(device / "driver", error);
  if (error || !driver.has_filename()) {
    return entryName;
  }
  return driver.filename().string();
}

std::string Description(const fs::path& device, const fs::path& root,
                        const std::string& entryName) {
  if (const auto usb = FindUsbDevice(device, root)) {
    if (auto product = ReadAttribute(*usb / "product")) {
      return std::move(*product);
    }
    if (auto manufacturer = ReadAttribute(*usb / "manufacturer")) {
      return std::move(*manufacturer);
    }
  }
  return DriverName(device, entryName);
}

// The node's name under /dev, as udev creates it.
std::string NodeName(const fs::path& entry, const std::string& entryName) {
  constexpr std::string_view kKey = "DEVNAME=";
  const std::string uevent = ReadSysfsFile(entry / "uevent").value_or("");
  for (std::string_view rest = uevent; !rest.empty();) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(line.size() + 1, rest.size()));
    if (line.starts_with(kKey) && line.size() > kKey.size()) {
      return std::string(line.substr(kKey.size()));
    }
  }
  return entryName;
}

std::optional<std::string> FriendlyName(const fs::path& entry, const fs::path& root) {
  std::error_code error;
  // Virtual consoles and pseudo-terminals have no device behind them.
  const fs::path device = fs::canonical(entry / "device", error);
  if (error) {
    return std::nullopt;
  }
  // The 8250 driver registers ttyS0..ttyS31 whether or not a UART answers;
  // the empty slots report type 0.
  if (ReadAttribute(entry / "type") == "0") {
    return std::nullopt;
  }
  const std::string entryName = entry.filename().string();
  return Description(device, root, entryName) + " (/dev/" + NodeName(entry, entryName) + ")";
}

std::string_view DigitRun(std::string_view text) {
  return text.substr(0, text.find_first_not_of("0123456789"));
}

std::strong_ordering CompareNumbers(std::string_view left, std::string_view right) {
  left.remove_prefix(std::min(left.find_first_not_of('0'), left.size()));
  right.remove_prefix(std::min(right.find_first_not_of('0'), right.size()));
  if (left.size() != right.size()) {
    return left.size() <=> right.size();
  }
  return left <=> right;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Compares names with their runs of digits taken as numbers.
std::strong_ordering NaturalCompare(std::string_view left, std::string_view right) {
  while (!left.empty() && !right.empty()) {
    const bool numbers = IsDigit(left.front()) && IsDigit(right.front());
    const std::size_t leftStep = numbers ? DigitRun(left).size() : 1;
    const std::size_t rightStep = numbers ? DigitRun(right).size() : 1;
    const std::strong_ordering order =
        numbers ? CompareNumbers(left.substr(0, leftStep), right.substr(0, rightStep))
                : static_cast<unsigned char>(left.front()) <=>
                      static_cast<unsigned char>(right.front());
    if (std::is_neq(order)) {
      return order;
    }
    left.remove_prefix(leftStep);
    right.remove_prefix(rightStep);
  }
  return left.size() <=> right.size();
}

std::vector<fs::path> TtyEntries(const fs::path& root) {
  std::vector<fs::path> entries;
  std::error_code error;
  for (fs::directory_iterator it(root / "class" / "tty", error), end; !error && it != end;
       it.increment(error)) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end(), [](const fs::path& left, const fs::path& right) {
    const std::string leftName = left.filename().string();
    const std::string rightName = right.filename().string();
    const std::strong_ordering order = NaturalCompare(leftName, rightName);
    // ttyS01 and ttyS1 read alike; the plain order keeps the sort strict.
    return std::is_neq(order) ? std::is_lt(order) : leftName < rightName;
  });
  return entries;
}

}  // namespace

fs::path SysfsRoot() {
  const char* root = std::getenv("SYSFS_PATH");
  return root != nullptr && *root != '\0' ? root : "/sys";
}

std::vector<std::string> ReadSysfsPortNames(const fs::path& sysfsRoot) {
  std::error_code error;
  const fs::path root = fs::canonical(sysfsRoot, error);
  if (error) {
    return {};
  }
  std::vector<std::string> names;
  for (const fs::path& entry : TtyEntries(root)) {
    if (const auto name = FriendlyName(entry, root)) {
      names.push_back(text::WellFormedUtf8(*name));
    }
  }
  return names;
}

}  // namespace platform
