// Gives the program's list-file stream the bytes a test writes.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "app/globals.h"

inline void UseListFile(std::string_view bytes) {
  ifsPortNameList = std::istringstream(std::string(bytes));
}

// A file that is missing, or no regular file, reads as nothing at all.
inline void UseMissingListFile() { ifsPortNameList = std::istringstream(); }

// A file, or its folder, that the user may not read: nothing, and why.
inline void UseUnreadableListFile(std::uint32_t code) {
  UseMissingListFile();
  errPortNameList = platform::SystemError{code};
}
