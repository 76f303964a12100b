// A regular file read whole, up to a bound: the list file.
#include <cerrno>
#include <string>
#include <utility>

#include "platform/linux/bounded_file.h"
#include "platform/platform.h"

namespace platform {

std::string ReadRegularFile(const char* path, std::size_t maxBytes,
                            std::optional<SystemError>& unreadable) {
  int error = 0;
  std::optional<std::string> bytes = linux_os::ReadBoundedFile(path, maxBytes, error);
  if (error != 0 && error != ENOENT) unreadable = SystemError{static_cast<std::uint32_t>(error)};
  return bytes ? std::move(*bytes) : std::string();
}

}  // namespace platform
