// The log that stands in for the console the program does not have.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace task::win32 {

// Adds text (UTF-8, without its line end) to morvane.log in folder, with the
// local time in front. Before the log would grow beyond its limit it becomes
// morvane.log.1, replacing the one before. A line that cannot be written is
// lost: nobody is there to tell.
void AppendToLog(const std::wstring& folder, std::string_view text);

// what failed, then "理由: " and the system's own text for code.
void AppendFailureToLog(const std::wstring& folder, std::string_view what, std::uint32_t code);

}  // namespace task::win32
