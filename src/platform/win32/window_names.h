// How a window is named for morvane-probe: its class and its program.
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// "Edit": the window's class, in quotes.
std::string WindowClass(HWND window);

// "Notepad" (notepad.exe): the class and the image of the process that owns
// the window; "?" for an image that cannot be read.
std::string WindowAndProgram(HWND window);

}  // namespace platform::win32
