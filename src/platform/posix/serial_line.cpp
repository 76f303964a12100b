// The serial line on POSIX systems: a terminal device in raw mode, found
// among the ports that sysfs lists.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix/sysfs_ports.h"
#include "platform/write_gate.h"

namespace platform {
namespace {

// The handle is the descriptor plus one, so that no open port is kNoPort.
int Descriptor(PortHandle port) { return static_cast<int>(static_cast<std::intptr_t>(port)) - 1; }
PortHandle HandleFor(int fd) { return static_cast<PortHandle>(static_cast<std::intptr_t>(fd) + 1); }

// The one port's time-outs, kept for the reads and writes that follow.
PortTimeouts& Timeouts() {
  static PortTimeouts timeouts;
  return timeouts;
}

int PollTimeout(std::uint32_t ms) { return ms == 0 ? -1 : static_cast<int>(ms); }

// 1 ready, 0 timed out, -1 failed.
int WaitFor(int fd, short events, std::uint32_t timeoutMs) {
  pollfd watched{.fd = fd, .events = events, .revents = 0};
  for (;;) {
    const int ready = ::poll(&watched, 1, PollTimeout(timeoutMs));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return ready;
    return (watched.revents & events) != 0 ? 1 : -1;
  }
}

// Installed with the package: it gives the user at the seat the ports of the
// usual lamp boards.
constexpr const char* kAccessRule = "/usr/lib/udev/rules.d/70-morvane.rules";

std::string InstalledAccessRule() {
  return ::access(kAccessRule, F_OK) == 0 ? kAccessRule : std::string();
}

std::string GroupOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  const group* owner = ::getgrgid(info.st_gid);
  return owner != nullptr ? owner->gr_name : std::string();
}

// Keeps other programs off the port while it is ours: TIOCEXCL stops their
// opens, the lock stops those that run as root too.
bool MakeExclusive(int fd) {
  return ::ioctl(fd, TIOCEXCL) == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

std::optional<speed_t> SpeedFor(std::uint32_t baudRate) {
  switch (baudRate) {
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 115200:
      return B115200;
    default:
      return std::nullopt;
  }
}

}  // namespace

PortHandle OpenPort(const std::string& name, OpenFailure& failure) {
  // Non-blocking only for the open, which would otherwise wait for carrier.
  const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    failure.permissionDenied = errno == EACCES || errno == EPERM;
    if (failure.permissionDenied) {
      failure.ownerGroup = GroupOf(name);
      failure.accessRule = InstalledAccessRule();
    }
    return kNoPort;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (!::isatty(fd) || !MakeExclusive(fd) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return kNoPort;
  }
  return HandleFor(fd);
}

bool SetQueueSizes(PortHandle port, std::uint32_t /*inBytes*/, std::uint32_t /*outBytes*/) {
  // The kernel's tty queues have a fixed size; there is nothing to set.
  return ::fcntl(Descriptor(port), F_GETFD) != -1;
}

bool PurgePort(PortHandle port) { return ::tcflush(Descriptor(port), TCIOFLUSH) == 0; }

bool ApplyLineSettings(PortHandle port, const LineSettings& settings) {
  const auto speed = SpeedFor(settings.baudRate);
  if (!speed) return false;
  const int fd = Descriptor(port);
  termios line{};
  if (::tcgetattr(fd, &line) != 0) line = termios{};
  if (settings.binary) ::cfmakeraw(&line);
  // No flow control, whatever the port's last user left: the board answers
  // no handshake, and a CTS that it never raises would hold up every write.
  line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | CRTSCTS);
  line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  line.c_cflag |= CLOCAL | CREAD;
  line.c_cflag |= settings.byteSize == 7 ? CS7 : CS8;
  if (settings.stopBits != StopBits::One) line.c_cflag |= CSTOPB;
  if (!settings.parityCheck) line.c_iflag &= ~static_cast<tcflag_t>(INPCK);
  ::cfsetispeed(&line, *speed);
  ::cfsetospeed(&line, *speed);
  return ::tcsetattr(fd, TCSANOW, &line) == 0;
}

bool SetTimeouts(PortHandle port, const PortTimeouts& timeouts) {
  if (::fcntl(Descriptor(port), F_GETFD) == -1) return false;
  Timeouts() = timeouts;
  return true;
}

ReadOutcome ReadByte(PortHandle port) {
  const int fd = Descriptor(port);
  const int ready = WaitFor(fd, POLLIN, Timeouts().readTotalMs);
  if (ready == 0) return {.ok = true, .count = 0, .byte = 0};
  if (ready < 0) return {};
  char byte = 0;
  ssize_t got = 0;
  do {
    got = ::read(fd, &byte, 1);
  } while (got < 0 && errno == EINTR);
  // Readable but nothing to read: the other end hung up.
  if (got != 1) return {};
  return {.ok = true, .count = 1, .byte = byte};
}

bool WriteByte(PortHandle port, char byte) {
  return Gate().Through([port, byte] {
    const int fd = Descriptor(port);
    if (WaitFor(fd, POLLOUT, Timeouts().writeTotalMs) != 1) return false;
    ssize_t written = 0;
    do {
      written = ::write(fd, &byte, 1);
    } while (written < 0 && errno == EINTR);
    return written == 1;
  });
}

void ClosePort(PortHandle port) { ::close(Descriptor(port)); }

std::vector<std::string> ListPortFriendlyNames() { return ReadSysfsPortNames(SysfsRoot()); }

}  // namespace platform
