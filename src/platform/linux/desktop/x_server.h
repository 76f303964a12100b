// The one connection to the X server, opened on a thread of its own from the
// first use on and kept for the program's life. Its users call from one
// thread at a time.
#pragma once

#include <X11/Xlib.h>

#include <optional>

namespace platform::desktop {

struct XServer {
  Display* display = nullptr;
  bool xkb = false;                 // Caps Lock's state can be read
  std::optional<int> xinputOpcode;  // raw key events can be selected (XInput 2.2)
  bool screenSaver = false;         // MIT-SCREEN-SAVER is there
  bool lost = false;                // the connection broke after it was opened
};

// nullptr when no display could be opened, it has not answered yet (the
// first call waits half a second for it), or its connection was lost.
XServer* ConnectedXServer();

}  // namespace platform::desktop
