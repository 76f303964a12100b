// A regular file read whole, up to a bound: the list file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

#include "platform/platform.h"

namespace platform {

std::string ReadRegularFile(const char* path, std::size_t maxBytes) {
  // Non-blocking, so that a pipe opens at once rather than waiting for a
  // writer; its type is then read from the descriptor that was opened, which
  // no rename can change.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string bytes;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    std::array<char, 4096> chunk{};
    while (bytes.size() < maxBytes) {
      const ssize_t got = ::read(fd, chunk.data(), std::min(chunk.size(), maxBytes - bytes.size()));
      if (got < 0 && errno == EINTR) continue;
      // A read error ends the reading like the end of the file.
      if (got <= 0) break;
      bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
  }
  ::close(fd);
  return bytes;
}

}  // namespace platform
