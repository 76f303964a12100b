// Console text on Linux: UTF-8 straight through the file descriptors.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/console_writer.h"
#include "platform/platform.h"
#include "platform/linux/end_signals.h"

namespace platform {
namespace {

bool IsClosed(int fd) { return ::fcntl(fd, F_GETFD) == -1 && errno == EBADF; }

// Opens /dev/null as fd, the lowest closed descriptor.
bool OpenNullAs(int fd) {
  const int opened = ::open("/dev/null", O_RDWR);
  if (opened == fd) return true;
  if (opened < 0) return false;
  const bool moved = ::dup2(opened, fd) == fd;
  ::close(opened);
  return moved;
}

// -1 at end of input or on an error.
int ReadInputByte() {
  char byte = 0;
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
    if (got == 1) return static_cast<unsigned char>(byte);
    if (got < 0 && errno == EINTR) continue;
    return -1;
  }
}

// Up to the next line end, to the end of input, or kInputLineBytes bytes, so
// that an input that never ends a line ends the reading all the same. nullopt
// at end of input.
std::optional<std::string> ReadInputLine() {
  int byte = ReadInputByte();
  if (byte == -1) return std::nullopt;
  std::string line;
  for (; byte != -1 && byte != '\n'; byte = ReadInputByte()) {
    line += static_cast<char>(byte);
    if (line.size() == kInputLineBytes) break;
  }
  return line;
}

void WaitForKey() {
  termios saved{};
  if (::tcgetattr(STDIN_FILENO, &saved) != 0) {
    // Not a terminal: a line stands for the key.
    ReadInputLine();
    return;
  }
  termios single = saved;
  single.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
  single.c_cc[VMIN] = 1;
  single.c_cc[VTIME] = 0;
  ::tcsetattr(STDIN_FILENO, TCSANOW, &single);
  ReadInputByte();
  ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

}  // namespace

bool PrepareStandardStreams() {
  bool prepared = true;
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (IsClosed(fd)) prepared = OpenNullAs(fd) && prepared;
  }
  return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR && prepared;
}

namespace detail {

void WriteToStandardOutput(std::string_view utf8) {
  while (!utf8.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, utf8.data(), utf8.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // nowhere left to tell anyone
    utf8.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace detail

std::optional<std::string> ReadLine() {
  std::optional<std::string> line = ReadInputLine();
  if (line && line->ends_with('\r')) line->pop_back();
  return line;
}

void Pause(int endStatus) {
  linux_os::EndSignalsEndWith(endStatus);
  WriteText("続行するには何かキーを押してください . . . ");
  WaitForKey();
  WriteText("\n");
}

}  // namespace platform
