// Points the program's list-file stream at a file the test writes.
#pragma once

#include <filesystem>
#include <fstream>
#include <string_view>

#include <unistd.h>

#include "app/globals.h"

inline void UseListFile(std::string_view bytes) {
  // One file per process: the tests run in parallel.
  const auto path = std::filesystem::temp_directory_path() /
                    ("morvane_test_" + std::to_string(::getpid()) + "_arduino_portname.txt");
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  ifsPortNameList = std::ifstream(path, std::ios::in | std::ios::binary);
}

inline void UseMissingListFile() {
  ifsPortNameList = std::ifstream("/nonexistent/morvane/arduino_portname.txt");
}
