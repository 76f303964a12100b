// What morvane-task makes of the program's output: lines with the local time
// in front, in a log kept within a bound. Pure text, no system calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace task {

// A line longer than this is written in pieces of this size: no line of the
// program's comes near it, and the pipe's reader never holds more.
inline constexpr std::size_t kLongestLine = std::size_t{16} * 1024;

// The log stays within this; before a line would take it beyond, the log
// becomes the one older log and a new one begins.
inline constexpr std::uint64_t kLogLimit = std::uint64_t{1024} * 1024;

// Cuts what comes through the pipe, in pieces of any size, into lines without
// their line ends (LF, or CR LF as the program writes them). Empty lines are
// dropped: they space the console's text, and a stamped log needs no spacing.
// Shift_JIS never uses the byte of LF inside a character, so the cut at LF
// never splits one.
class LineCutter {
 public:
  // The lines that piece completes, in order.
  std::vector<std::string> Take(std::string_view piece);
  // The last line when the pipe has ended without its line end.
  std::optional<std::string> Rest();

 private:
  void Complete(std::vector<std::string>& lines);
  std::string partial_;
};

struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// "2025-01-31 09:05:07.042  text" with CR LF, as Notepad reads it.
std::string StampedLine(const LocalTime& time, std::string_view text);

// Whether a log of logBytes has to become the older log before line is added.
// An empty log never does, so that even a line beyond the limit is kept.
bool RotateBefore(std::uint64_t logBytes, std::size_t lineBytes);

}  // namespace task
