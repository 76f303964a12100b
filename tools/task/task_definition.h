// The Task Scheduler task that brings morvane back by itself: its definition
// as XML, for registering and for the copy beside the programs. Pure text.
#pragma once

#include <string>
#include <string_view>

namespace task {

// What the definition names on this computer; UTF-8.
struct TaskPlaces {
  std::string userId;         // COMPUTER\user: the principal, and whose log-on and unlock count
  std::string launcher;       // the full path of morvane-task.exe
  std::string workingFolder;  // %APPDATA%\morvane, expanded
};

// text with &, <, >, " and ' written as XML's entities.
std::string XmlEscaped(std::string_view text);

// The <Task> element whole, UTF-8, without an XML declaration: whoever writes
// it down declares the encoding it writes.
std::string TaskDefinition(const TaskPlaces& places);

}  // namespace task
