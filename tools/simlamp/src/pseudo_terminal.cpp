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

int OpenMaster() {
  const int fd = posix_openpt(O_RDWR | O_NOCTTY);
  if (fd < 0) {
    throw SystemFailure("posix_openpt");
  }
  return fd;
}

// How many bytes a read or write on the master moved. EIO: no process holds the slave
// open, so nobody has written anything nor reads what is written.
std::size_t Moved(ssize_t count, const char* what) {
  if (count >= 0) {
    return static_cast<std::size_t>(count);
  }
  if (errno == EAGAIN || errno == EIO || errno == EINTR) {
    return 0;
  }
  throw SystemFailure(what);
}

}  // namespace

PseudoTerminal::PseudoTerminal() : master_(OpenMaster()) {
  const int master = master_.Get();
  if (grantpt(master) != 0) {
    throw SystemFailure("grantpt");
  }
  if (unlockpt(master) != 0) {
    throw SystemFailure("unlockpt");
  }
  std::array<char, 128> name{};
  const int failure = ptsname_r(master, name.data(), name.size());
  if (failure != 0) {
    errno = failure;
    throw SystemFailure("ptsname_r");
  }
  slavePath_ = name.data();
  if (fcntl(master, F_SETFL, O_NONBLOCK) != 0) {
    throw SystemFailure("fcntl(O_NONBLOCK) on the pty master");
  }
  // The master reports a hang-up only once a slave has been opened and closed again,
  // so do that once: from then on the hang-up tells whether a host has the port open.
  const int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
  if (slave < 0) {
    throw SystemFailure(slavePath_.c_str());
  }
  close(slave);
}

bool PseudoTerminal::PeerPresent() const {
  pollfd entry{master_.Get(), POLLIN, 0};
  if (poll(&entry, 1, 0) < 0) {
    throw SystemFailure("poll on the pty master");
  }
  return (entry.revents & POLLHUP) == 0;
}

std::size_t PseudoTerminal::ReadSome(std::span<uint8_t> into) {
  return Moved(read(master_.Get(), into.data(), into.size()), "read from the pty master");
}

std::size_t PseudoTerminal::WriteSome(std::span<const uint8_t> bytes) {
  return Moved(write(master_.Get(), bytes.data(), bytes.size()), "write to the pty master");
}

}  // namespace simlamp
