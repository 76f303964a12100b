// The list file arduino_portname.txt, read into ArduinoNameList.
#pragma once

#include <cstddef>

// The part of the file that is read: what lies beyond is skipped, with a
// warning.
inline constexpr std::size_t kListFileBytes = std::size_t{1024} * 1024;
// The longest line taken; a longer one is skipped, with a warning.
inline constexpr std::size_t kListLineBytes = 4096;

// Loads the device descriptions of the list file; ends the program when none.
int LoadArduinoNameList();
