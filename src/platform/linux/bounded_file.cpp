#include "platform/linux/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace platform::linux_os {

std::optional<std::string> ReadBoundedFile(const char* path, std::size_t maxBytes, int& error) {
  error = 0;
  // Non-blocking, so that a pipe opens at once rather than waiting for a
  // writer; its type is then read from the descriptor that was opened, which
  // no rename can change.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return std::nullopt;
  }
  std::optional<std::string> bytes;
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = errno;
  } else if (S_ISREG(info.st_mode)) {
    bytes.emplace();
    std::array<char, 4096> chunk{};
    while (bytes->size() < maxBytes) {
      const ssize_t got =
          ::read(fd, chunk.data(), std::min(chunk.size(), maxBytes - bytes->size()));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        error = errno;
        bytes.reset();
      }
      if (got <= 0) break;
      bytes->append(chunk.data(), static_cast<std::size_t>(got));
    }
  }
  ::close(fd);
  return bytes;
}

}  // namespace platform::linux_os
