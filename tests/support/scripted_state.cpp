// The desktop's state read from a file that a soak or a benchmark writes,
// so that the real program on the real Linux platform follows a state the
// harness controls. MORVANE_SCRIPTED_STATE names the file; its first three
// bytes are read afresh each cycle through a shared mapping:
//   [0] Caps Lock      '0' off, '1' on, anything else unknown
//   [1] input method   '0' off, '1' on, anything else no window with one
//   [2] screen saver   '1' running
// Shift+Esc never comes: signals end the program; nobody is ever away.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/platform.h"

namespace platform {
namespace {

constexpr std::size_t kStateBytes = 3;

// Never unmapped: the state is read until the process ends.
const volatile char* MapState() {
  const char* path = std::getenv("MORVANE_SCRIPTED_STATE");
  if (path == nullptr) return nullptr;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  void* mapped = ::mmap(nullptr, kStateBytes, PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  return mapped == MAP_FAILED ? nullptr : static_cast<const volatile char*>(mapped);
}

char StateByte(std::size_t index) {
  static const volatile char* const state = MapState();
  return state != nullptr ? state[index] : '\0';
}

}  // namespace

KeyboardReach ReachOfKeyboard() { return KeyboardReach::Full; }
bool EscPressedSinceLastQuery() { return false; }
bool ShiftIsDown() { return false; }

Toggle CapsLock(SourceReplies* /*asked*/) {
  switch (StateByte(0)) {
    case '0':
      return Toggle::Off;
    case '1':
      return Toggle::On;
    default:
      return Toggle::Unknown;
  }
}

ImeReading ForegroundIme(SourceReplies* /*asked*/) {
  switch (StateByte(1)) {
    case '0':
      return {.query = ImeQuery::Answered, .status = {}};
    case '1':
      return {.query = ImeQuery::Answered, .status = {.openStatus = 1, .conversionMode = 0x9}};
    default:
      return {};
  }
}

bool ScreenSaverRunning(SourceReplies* /*asked*/) { return StateByte(2) == '1'; }
KeysDown KeysDownNow(SourceReplies* /*asked*/) { return {}; }

void WatchAway(PortHandle /*port*/) {}
AwayState Away(SourceReplies* /*asked*/) { return {}; }

}  // namespace platform
