// The process on POSIX systems: priority, signals standing for console
// events, the end, and time.
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>

#include "platform/platform.h"

namespace platform {
namespace {

constexpr int kIdleNice = 19;

sigset_t EndSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  return signals;
}

ConsoleEvent EventFor(int signal) {
  switch (signal) {
    case SIGINT:
      return ConsoleEvent::CtrlC;
    case SIGHUP:
      return ConsoleEvent::Close;
    default:
      return ConsoleEvent::Shutdown;
  }
}

// The default action of a signal that the handler left alone: the process
// dies of it, or, should that not happen, ends as a shell reports it.
[[noreturn]] void TakeDefaultAction(int signal) {
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  if (std::signal(signal, SIG_DFL) != SIG_ERR &&
      pthread_sigmask(SIG_UNBLOCK, &only, nullptr) == 0 && std::raise(signal) == 0) {
    ::pause();
  }
  ::_exit(128 + signal);
}

EventHandler& InstalledHandler() {
  static EventHandler handler = nullptr;
  return handler;
}

// Signals are taken here, on a thread of their own, rather than in a signal
// handler: the end writes to the console and the port and takes a lock.
void* WaitForSignals(void* /*unused*/) {
  const sigset_t signals = EndSignals();
  for (;;) {
    int signal = 0;
    if (sigwait(&signals, &signal) != 0) continue;
    if (!InstalledHandler()(EventFor(signal))) TakeDefaultAction(signal);
  }
}

}  // namespace

bool LowerPriority(std::uint32_t& errorCode) {
  if (::setpriority(PRIO_PROCESS, 0, kIdleNice) == 0) return true;
  errorCode = static_cast<std::uint32_t>(errno);
  return false;
}

bool InstallEventHandler(EventHandler handler) {
  const sigset_t signals = EndSignals();
  sigset_t previous;
  // Blocked before the thread starts, so every thread inherits the mask and
  // only sigwait sees these signals.
  if (pthread_sigmask(SIG_BLOCK, &signals, &previous) != 0) return false;
  InstalledHandler() = handler;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, WaitForSignals, nullptr) != 0) {
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return false;
  }
  pthread_detach(thread);
  return true;
}

void EndProcess(int status) {
  // Console text is written unbuffered, so nothing is left to flush; _exit
  // leaves alone the state that another thread may still be using.
  ::_exit(status);
}

std::uint64_t NowMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000U +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000000U;
}

void SleepMs(std::uint32_t ms) {
  timespec remaining{.tv_sec = ms / 1000, .tv_nsec = static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace platform
