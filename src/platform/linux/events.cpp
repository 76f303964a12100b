// Console events on Linux: the signals that stand for them, taken on a thread
// of their own.
#include <pthread.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/console_writer.h"
#include "platform/linux/end_signals.h"
#include "platform/linux/exclusive_line.h"
#include "platform/platform.h"

namespace platform {
namespace {

constexpr int kNotPausing = -1;

// Every catchable signal whose default action ends the process: SIGINT,
// SIGTERM and SIGHUP as the user and the service manager send them, SIGQUIT
// (Ctrl+\) as SIGINT, and the others that a stray kill or a limit may bring.
// Left to their default, any of them would end the program with the lamp lit.
// SIGPIPE is ignored from the start (PrepareStandardStreams).
constexpr std::array kEndSignals{SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2,
                                 SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ};

sigset_t EndSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal : kEndSignals) sigaddset(&signals, signal);
  return signals;
}

// The end signals that stand for a console event of their own; the others
// stand for the system's shutdown.
constexpr std::array<std::pair<int, ConsoleEvent>, 3> kSignalEvents{{
    {SIGINT, ConsoleEvent::CtrlC},
    {SIGQUIT, ConsoleEvent::CtrlBreak},
    {SIGHUP, ConsoleEvent::Close},
}};

ConsoleEvent EventFor(int signal) {
  for (const auto& [standsFor, event] : kSignalEvents) {
    if (standsFor == signal) return event;
  }
  return ConsoleEvent::Shutdown;
}

// The default action of a signal that the handler left alone: the process
// dies of it, or, should that not happen, ends as a shell reports it.
[[noreturn]] void TakeDefaultAction(int signal) {
  linux_os::LeaveLineAsFound();
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  if (std::signal(signal, SIG_DFL) != SIG_ERR &&
      pthread_sigmask(SIG_UNBLOCK, &only, nullptr) == 0 && std::raise(signal) == 0) {
    ::pause();
  }
  ::_exit(128 + signal);
}

// Runs as a signal handler: only calls that are safe there.
void LeaveLineThenDie(int signal) {
  linux_os::LeaveLineAsFound();
  if (std::raise(signal) != 0) ::_exit(128 + signal);
}

// What the signal thread acts on, as the program's threads set it.
constinit std::atomic<EventHandler> installedHandler{nullptr};
// The status of the failure whose pause is under way, or kNotPausing.
constinit std::atomic<int> pauseStatus{kNotPausing};

void RunHandler(EventHandler handler, int signal) {
  if (!handler(EventFor(signal))) TakeDefaultAction(signal);
}

// The handler's end runs on a thread of its own, so that the signals are
// still taken while it waits: its lamp-off may fail and pause.
void Handle(int signal) {
  const EventHandler handler = installedHandler.load();
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
    const int status = pauseStatus.load();
    if (status != kNotPausing) EndProcess(status);
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

namespace linux_os {

void EndSignalsEndWith(int status) {
  pauseStatus = status;
  // Without the thread the system's default handling ends the process at
  // once, by the signal.
  SignalThreadError();
}

void LeaveLineAsFoundOnEndSignals() {
  const sigset_t signals = EndSignals();
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    // An ignored signal (nohup) stays ignored.
    if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction leaving {};
    leaving.sa_handler = LeaveLineThenDie;
    leaving.sa_mask = signals;
    // The default action again at once, so that the signal raised again ends
    // the process as soon as the handler returns.
    leaving.sa_flags = SA_RESETHAND;
    sigaction(signal, &leaving, nullptr);
  }
}

}  // namespace linux_os

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

bool InstallEventHandler(EventHandler handler, SystemError& error) {
  installedHandler = handler;
  const int startError = SignalThreadError();
  error.code = static_cast<std::uint32_t>(startError);
  return startError == 0;
}

}  // namespace platform
