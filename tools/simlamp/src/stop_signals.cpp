#include "stop_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace simlamp {

namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int stop : {SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&set, stop);
  }
  return set;
}

int OpenSignalFd() {
  const sigset_t set = StopSet();
  if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
    throw std::system_error(errno, std::generic_category(), "sigprocmask");
  }
  const int fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd < 0) {
    throw std::system_error(errno, std::generic_category(), "signalfd");
  }
  return fd;
}

}  // namespace

StopSignals::StopSignals() : fd_(OpenSignalFd()) {}

bool StopSignals::Raised() const {
  signalfd_siginfo info{};
  return read(fd_.Get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info);
}

}  // namespace simlamp
