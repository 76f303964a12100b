// Where the launcher finds the program, runs it and keeps its log.
#pragma once

#include <string>

namespace task::win32 {

struct Places {
  std::wstring programFolder;  // the launcher's own: morvane.exe beside it
  std::wstring workingFolder;  // %APPDATA%\morvane: the user's list file
  std::wstring logFolder;      // %LOCALAPPDATA%\morvane
};

Places FindPlaces();

// COMPUTER\user for the task's principal; empty when the system cannot say.
std::wstring CurrentUser();

// Creates folder when it is missing; its parent must exist.
void MakeFolder(const std::wstring& folder);

}  // namespace task::win32
