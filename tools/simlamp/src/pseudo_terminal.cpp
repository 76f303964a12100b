#include "pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace simlamp {

namespace {

std::system_error SystemFailure(const char* what) { return {errno, std::generic_category(), what}; }

}  // namespace

PseudoTerminal::PseudoTerminal() : master_(posix_openpt(O_RDWR | O_NOCTTY)) {
  if (master_ < 0) {
    throw SystemFailure("posix_openpt");
  }
  try {
    if (grantpt(master_) != 0) {
      throw SystemFailure("grantpt");
    }
    if (unlockpt(master_) != 0) {
      throw SystemFailure("unlockpt");
    }
    std::array<char, 128> name{};
    const int failure = ptsname_r(master_, name.data(), name.size());
    if (failure != 0) {
      errno = failure;
      throw SystemFailure("ptsname_r");
    }
    slavePath_ = name.data();
    if (fcntl(master_, F_SETFL, O_NONBLOCK) != 0) {
      throw SystemFailure("fcntl(O_NONBLOCK) on the pty master");
    }
    // The master reports a hang-up only once a slave has been opened and closed again,
    // so do that once: from then on the hang-up tells whether a host has the port open.
    const int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
      throw SystemFailure(slavePath_.c_str());
    }
    close(slave);
  } catch (...) {
    close(master_);
    throw;
  }
}

PseudoTerminal::~PseudoTerminal() { close(master_); }

bool PseudoTerminal::PeerPresent() const {
  pollfd entry{master_, POLLIN, 0};
  if (poll(&entry, 1, 0) < 0) {
    throw SystemFailure("poll on the pty master");
  }
  return (entry.revents & POLLHUP) == 0;
}

std::size_t PseudoTerminal::ReadSome(std::span<uint8_t> into) {
  const ssize_t count = read(master_, into.data(), into.size());
  if (count >= 0) {
    return static_cast<std::size_t>(count);
  }
  // EIO: no process holds the slave open, so nobody can have written anything.
  if (errno == EAGAIN || errno == EIO || errno == EINTR) {
    return 0;
  }
  throw SystemFailure("read from the pty master");
}

std::size_t PseudoTerminal::WriteSome(std::span<const uint8_t> bytes) {
  const ssize_t count = write(master_, bytes.data(), bytes.size());
  if (count >= 0) {
    return static_cast<std::size_t>(count);
  }
  if (errno == EAGAIN || errno == EIO || errno == EINTR) {
    return 0;
  }
  throw SystemFailure("write to the pty master");
}

}  // namespace simlamp
