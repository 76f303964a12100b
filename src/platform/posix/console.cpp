// Console text on POSIX systems: UTF-8 straight through the file descriptors.
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/write_gate.h"

namespace platform {
namespace {

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // nowhere left to tell anyone
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
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

void WaitForKey() {
  termios saved{};
  if (::tcgetattr(STDIN_FILENO, &saved) != 0) {
    // Not a terminal: a line stands for the key.
    for (int byte = ReadInputByte(); byte != -1 && byte != '\n'; byte = ReadInputByte()) {
    }
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

void WriteText(std::string_view utf8) {
  Gate().Through([utf8] { WriteAll(STDOUT_FILENO, utf8); });
}

std::optional<std::string> ReadLine() {
  std::string line;
  int byte = ReadInputByte();
  if (byte == -1) return std::nullopt;
  for (; byte != -1 && byte != '\n'; byte = ReadInputByte()) line += static_cast<char>(byte);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void Pause() {
  WriteText("続行するには何かキーを押してください . . . ");
  WaitForKey();
  WriteText("\n");
}

}  // namespace platform
