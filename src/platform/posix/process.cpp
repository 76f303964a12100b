// The process on POSIX systems: priority, signals standing for console
// events, the end, and time.
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <system_error>
#include <thread>

#include "platform/console_writer.h"
#include "platform/platform.h"
#include "platform/posix/cycle_budget.h"
#include "platform/posix/end_signals.h"

namespace platform {
namespace {

constexpr int kIdleNice = 19;
// How long the end gives the console to take its last text.
constexpr std::uint32_t kLastTextWaitMs = 500;
constexpr int kNotPausing = -1;

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

std::atomic<EventHandler>& InstalledHandler() {
  static std::atomic<EventHandler> handler{nullptr};
  return handler;
}

// The status of the failure whose pause is under way, or kNotPausing.
std::atomic<int>& PauseStatus() {
  static std::atomic<int> status{kNotPausing};
  return status;
}

void RunHandler(EventHandler handler, int signal) {
  if (!handler(EventFor(signal))) TakeDefaultAction(signal);
}

// The handler's end runs on a thread of its own, so that the signals are
// still taken while it waits: its lamp-off may fail and pause.
void Handle(int signal) {
  const EventHandler handler = InstalledHandler().load();
  if (handler == nullptr) TakeDefaultAction(signal);
  try {
    std::thread(RunHandler, handler, signal).detach();
  } catch (const std::system_error&) {
    RunHandler(handler, signal);
  }
}

// Signals are taken here, on a thread of their own, rather than in a signal
// handler: the end writes to the console and the port and takes a lock.
// The first signal begins the end; later ones find it under way, unless
// the end has come to a failure's pause.
void* WaitForSignals(void* /*unused*/) {
  const sigset_t signals = EndSignals();
  bool handled = false;
  for (;;) {
    int signal = 0;
    if (sigwait(&signals, &signal) != 0) continue;
    const int pauseStatus = PauseStatus().load();
    if (pauseStatus != kNotPausing) EndProcess(pauseStatus);
    if (!handled) Handle(signal);
    handled = true;
  }
}

// 0, or the error that kept the signal thread from starting.
int StartSignalThread() {
  const sigset_t signals = EndSignals();
  sigset_t previous;
  // Blocked before the thread starts, so every thread started later inherits
  // the mask and only sigwait sees these signals.
  if (const int error = pthread_sigmask(SIG_BLOCK, &signals, &previous); error != 0) return error;
  pthread_t thread;
  if (const int error = pthread_create(&thread, nullptr, WaitForSignals, nullptr); error != 0) {
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return error;
  }
  pthread_detach(thread);
  return 0;
}

// The signal thread, started once, by the first that needs it.
int SignalThreadError() {
  static const int error = StartSignalThread();
  return error;
}

}  // namespace

namespace posix {

void EndSignalsEndWith(int status) {
  PauseStatus() = status;
  // Without the thread the system's default handling ends the process at
  // once, by the signal.
  SignalThreadError();
}

}  // namespace posix

namespace detail {

bool StartQuietThread(void (*body)()) {
  const sigset_t signals = EndSignals();
  sigset_t previous;
  // Blocked while the thread starts, so that it never has them unblocked.
  if (pthread_sigmask(SIG_BLOCK, &signals, &previous) != 0) return false;
  bool started = true;
  try {
    std::thread(body).detach();
  } catch (const std::system_error&) {
    started = false;
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return started;
}

}  // namespace detail

bool LowerPriority(SystemError& error) {
  if (::setpriority(PRIO_PROCESS, 0, kIdleNice) == 0) return true;
  error.code = static_cast<std::uint32_t>(errno);
  return false;
}

bool InstallEventHandler(EventHandler handler, SystemError& error) {
  InstalledHandler() = handler;
  const int startError = SignalThreadError();
  error.code = static_cast<std::uint32_t>(startError);
  return startError == 0;
}

void EndProcess(int status) {
  detail::WaitForConsole(kLastTextWaitMs);
  // _exit leaves alone the state that another thread may still be using.
  ::_exit(status);
}

std::uint64_t NowMs() { return posix::MonotonicUs() / 1000U; }

std::uint64_t posix::MonotonicUs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000U +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000U;
}

posix::CycleBudget& posix::ThreadCycleBudget() {
  // One a thread: the monitor's cycles are its own, whatever another thread asks.
  thread_local CycleBudget budget;
  return budget;
}

void SleepMs(std::uint32_t ms) {
  posix::ThreadCycleBudget().NewCycle();
  timespec remaining{.tv_sec = ms / 1000, .tv_nsec = static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace platform
