// Files read whole up to a bound, and only when they are regular files: the
// list file, and every file read from the sysfs tree, which SYSFS_PATH may
// move to where a pipe would keep the reading waiting for good, or a huge
// file fill the memory.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform::linux_os {

// The most of a sysfs attribute that is read: the kernel fills one page at
// most.
inline constexpr std::size_t kSysfsFileBytes = 4096;

// The first maxBytes bytes of the regular file at path. nullopt when it is no
// regular file (error 0) or cannot be opened or read (error is the errno).
std::optional<std::string> ReadBoundedFile(const char* path, std::size_t maxBytes, int& error);

}  // namespace platform::linux_os
