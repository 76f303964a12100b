// The console-event path on the real Linux platform: the signal thread
// switching the lamp dark while the main thread is in the middle of a
// cycle's writes. Each case runs the program's code in a child process,
// because the end is _exit; the tsan preset runs it under ThreadSanitizer,
// whose report fails the child.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "app/end_routines.h"
#include "app/globals.h"
#include "serial/serial_port.h"
#include "text/utf.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kCycle = "RbG";
constexpr std::string_view kEndText = "\n終了しました。\n";

struct ChildRun {
  int status = -1;  // as waitpid reports it
  std::string bytes;
  std::string text;
};

void Redirect(int fd, const char* path, int flags) {
  const int to = ::open(path, flags, 0600);
  if (to < 0 || ::dup2(to, fd) < 0) ::_exit(100);
  ::close(to);
}

// The child: the serial set-up on the port, the real event handler, then a
// main thread that writes a cycle's bytes without pause until a signal ends
// the process. signals SIGINTs arrive after delay.
[[noreturn]] void DriveUntilSignalled(const std::string& port, const std::string& textFile,
                                      std::chrono::microseconds delay, int signals) {
  Redirect(STDIN_FILENO, "/dev/null", O_RDONLY);
  Redirect(STDOUT_FILENO, textFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
  strCOMport = *text::Utf8ToUtf16(port);
  OpenSerialPort();
  platform::SystemError error;
  if (!platform::InstallEventHandler(HandlerRoutine, error)) ::_exit(101);
  std::thread([delay, signals] {
    std::this_thread::sleep_for(delay);
    for (int i = 0; i < signals; ++i) ::kill(::getpid(), SIGINT);
  }).detach();
  for (;;) {
    for (const char byte : kCycle) SendCommand(byte);
  }
}

// Reads the lamp's side until the child has ended and its bytes are drained.
// Before the child opens the port and after it ends, the master reports a
// hang-up rather than blocking.
std::string ReadUntilExit(int master, pid_t child, int& status) {
  std::string bytes;
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  for (bool exited = false;;) {
    pollfd watched{.fd = master, .events = POLLIN, .revents = 0};
    char buffer[4096];
    const ssize_t got = ::poll(&watched, 1, 20) > 0 && (watched.revents & POLLIN) != 0
                            ? ::read(master, buffer, sizeof buffer)
                            : 0;
    if (got > 0) {
      bytes.append(buffer, static_cast<std::size_t>(got));
      continue;
    }
    if (exited) return bytes;
    exited = ::waitpid(child, &status, WNOHANG) == child;
    if (!exited && std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      ADD_FAILURE() << "the child did not end";
      return bytes;
    }
    if (!exited) std::this_thread::sleep_for(1ms);
  }
}

ChildRun SignalMidCycle(std::chrono::microseconds delay, int signals = 1) {
  int master = -1;
  int slave = -1;
  char name[256] = {};
  if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    ADD_FAILURE() << "no pseudo-terminal";
    return {};
  }
  ::close(slave);
  const std::string textFile = (std::filesystem::temp_directory_path() /
                                ("morvane_event_" + std::to_string(::getpid()) + ".txt"))
                                   .string();
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(master);
    DriveUntilSignalled(name, textFile, delay, signals);
  }
  ChildRun run;
  run.bytes = ReadUntilExit(master, child, run.status);
  ::close(master);
  std::ifstream in(textFile, std::ios::binary);
  run.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::filesystem::remove(textFile);
  return run;
}

// Whole cycles and perhaps part of one, then the lamp-off and nothing after.
::testing::AssertionResult EndsDarkAfterCycles(const std::string& bytes) {
  if (!bytes.ends_with("rgb")) return ::testing::AssertionFailure() << "no lamp-off at the end";
  const std::string cycles = bytes.substr(0, bytes.size() - 3);
  for (std::size_t i = 0; i < cycles.size(); ++i) {
    if (cycles[i] != kCycle[i % kCycle.size()]) {
      return ::testing::AssertionFailure() << "byte " << i << " is '" << cycles[i] << "'";
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(ConsoleEvent, ASignalMidCycleEndsWithTheLampOffLastAndStatusZero) {
  // Delays a few microseconds apart land the signal at different bytes.
  for (int attempt = 0; attempt < 40; ++attempt) {
    const ChildRun run = SignalMidCycle(std::chrono::microseconds(2000 + 137 * attempt));
    ASSERT_TRUE(WIFEXITED(run.status)) << "attempt " << attempt;
    ASSERT_EQ(WEXITSTATUS(run.status), 0) << "attempt " << attempt;
    ASSERT_TRUE(EndsDarkAfterCycles(run.bytes)) << "attempt " << attempt;
    ASSERT_TRUE(run.text.ends_with("を開きます。\nモジュールが適切に見つかりました。\n" +
                                   std::string(kEndText)))
        << run.text;
  }
}

TEST(ConsoleEvent, SignalsInQuickSuccessionEndTheProgramOnce) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    const ChildRun run = SignalMidCycle(std::chrono::microseconds(1000 + 311 * attempt), 5);
    ASSERT_TRUE(WIFEXITED(run.status)) << "attempt " << attempt;
    ASSERT_EQ(WEXITSTATUS(run.status), 0) << "attempt " << attempt;
    ASSERT_TRUE(EndsDarkAfterCycles(run.bytes)) << "attempt " << attempt;
    ASSERT_EQ(run.text.find(kEndText), run.text.size() - kEndText.size()) << run.text;
  }
}

}  // namespace
