// The serial line on Linux: a terminal device in raw mode.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/away.h"
#include "platform/linux/end_signals.h"
#include "platform/linux/exclusive_line.h"
#include "platform/platform.h"
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

// 0 when ready, ETIMEDOUT when the time ran out, otherwise why the line
// cannot be used: a hung-up line (the board unplugged) reads as EIO, as its
// reads and writes would fail.
int WaitFor(int fd, short events, std::uint32_t timeoutMs) {
  pollfd watched{.fd = fd, .events = events, .revents = 0};
  for (;;) {
    const int ready = ::poll(&watched, 1, PollTimeout(timeoutMs));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return errno;
    if (ready == 0) return ETIMEDOUT;
    if ((watched.revents & events) != 0) return 0;
    return (watched.revents & POLLNVAL) != 0 ? EBADF : EIO;
  }
}

SystemError ErrorOf(int code) { return {.code = static_cast<std::uint32_t>(code)}; }

// ok, with error taken from errno when a call failed.
bool Succeeded(bool ok, SystemError& error) {
  if (!ok) error = ErrorOf(errno);
  return ok;
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

// The open port whose exclusive flag this program set, for the ends that
// leave the line as found; -1 when there is none. Atomic, so that a signal
// handler may take it: whichever end takes it first clears the flag, once.
std::atomic<int>& OurExclusiveLine() {
  static std::atomic<int> fd{-1};
  return fd;
}

void ClearOurFlag() {
  const int fd = OurExclusiveLine().exchange(-1);
  if (fd >= 0) ::ioctl(fd, TIOCNXCL);
}

// Keeps other programs off the port while it is ours: TIOCEXCL stops their
// opens, the lock stops those that run as root too. The lock comes first, so
// that a port another program holds keeps the flags it had; a later failure
// takes back the flag this set. 0, or the errno of the step that failed.
int TakeExclusively(int fd) {
  if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno;
  // A kernel too old to tell counts as clear: this open got through it.
  int wasExclusive = 0;
  if (::ioctl(fd, TIOCGEXCL, &wasExclusive) != 0) wasExclusive = 0;
  if (::ioctl(fd, TIOCEXCL) != 0) return errno;
  // Blocking from here on: only the open was to return at once.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) {
    if (wasExclusive == 0) OurExclusiveLine() = fd;
    return 0;
  }
  const int error = errno;
  if (wasExclusive == 0) ::ioctl(fd, TIOCNXCL);
  return error;
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
    failure.error = ErrorOf(errno);
    failure.permissionDenied = errno == EACCES || errno == EPERM;
    if (failure.permissionDenied) {
      failure.ownerGroup = GroupOf(name);
      failure.accessRule = InstalledAccessRule();
    }
    return kNoPort;
  }
  if (const int error = TakeExclusively(fd); error != 0) {
    ::close(fd);
    failure.error = ErrorOf(error);
    return kNoPort;
  }
  linux_os::LeaveLineAsFoundOnEndSignals();
  return HandleFor(fd);
}

bool SetQueueSizes(PortHandle port, std::uint32_t /*inBytes*/, std::uint32_t /*outBytes*/,
                   SystemError& error) {
  // The kernel's tty queues have a fixed size; there is nothing to set.
  return Succeeded(::fcntl(Descriptor(port), F_GETFD) != -1, error);
}

bool PurgePort(PortHandle port, SystemError& error) {
  return Succeeded(::tcflush(Descriptor(port), TCIOFLUSH) == 0, error);
}

bool ApplyLineSettings(PortHandle port, const LineSettings& settings, SystemError& error) {
  const auto speed = SpeedFor(settings.baudRate);
  if (!speed) {
    error = ErrorOf(EINVAL);
    return false;
  }
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
  return Succeeded(::tcsetattr(fd, TCSANOW, &line) == 0, error);
}

bool SetTimeouts(PortHandle port, const PortTimeouts& timeouts, SystemError& error) {
  if (!Succeeded(::fcntl(Descriptor(port), F_GETFD) != -1, error)) return false;
  Timeouts() = timeouts;
  return true;
}

ReadOutcome ReadByte(PortHandle port, SystemError& error) {
  const int fd = Descriptor(port);
  const int waited = WaitFor(fd, POLLIN, Timeouts().readTotalMs);
  if (waited == ETIMEDOUT) return {.ok = true, .count = 0, .byte = 0};
  if (waited != 0) {
    error = ErrorOf(waited);
    return {};
  }
  char byte = 0;
  ssize_t got = 0;
  do {
    got = ::read(fd, &byte, 1);
  } while (got < 0 && errno == EINTR);
  // Readable but nothing to read: the other end hung up.
  if (got != 1) {
    error = ErrorOf(got < 0 ? errno : EIO);
    return {};
  }
  return {.ok = true, .count = 1, .byte = byte};
}

bool WriteHeld(PortHandle port, char byte, SystemError& error) {
  const int fd = Descriptor(port);
  // A line that takes nothing within the time-out fails as timed out.
  if (const int waited = WaitFor(fd, POLLOUT, Timeouts().writeTotalMs); waited != 0) {
    error = ErrorOf(waited);
    return false;
  }
  ssize_t written = 0;
  do {
    written = ::write(fd, &byte, 1);
  } while (written < 0 && errno == EINTR);
  if (written == 1) return true;
  error = ErrorOf(written < 0 ? errno : EIO);
  return false;
}

bool WriteByte(PortHandle port, char byte, SystemError& error) {
  return Gate().Through([port, byte, &error] { return WriteHeld(port, byte, error); });
}

void ClosePort(PortHandle port) {
  ClearOurFlag();
  ::close(Descriptor(port));
}

void linux_os::LeaveLineAsFound() { ClearOurFlag(); }

}  // namespace platform
