#include "log_lines.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace task {

void LineCutter::Complete(std::vector<std::string>& lines) {
  if (partial_.ends_with('\r')) partial_.pop_back();
  if (!partial_.empty()) lines.push_back(std::move(partial_));
  partial_.clear();
}

std::vector<std::string> LineCutter::Take(std::string_view piece) {
  std::vector<std::string> lines;
  for (const char byte : piece) {
    if (byte == '\n') {
      Complete(lines);
      continue;
    }
    partial_ += byte;
    if (partial_.size() == kLongestLine) {
      lines.push_back(std::move(partial_));
      partial_.clear();
    }
  }
  return lines;
}

std::optional<std::string> LineCutter::Rest() {
  std::vector<std::string> lines;
  Complete(lines);
  if (lines.empty()) return std::nullopt;
  return std::move(lines.front());
}

std::string StampedLine(const LocalTime& time, std::string_view text) {
  std::array<char, 32> stamp{};
  const int length =
      std::snprintf(stamp.data(), stamp.size(), "%04d-%02d-%02d %02d:%02d:%02d.%03d  ", time.year,
                    time.month, time.day, time.hour, time.minute, time.second, time.millisecond);
  std::string line(stamp.data(), static_cast<std::size_t>(
                                     std::clamp(length, 0, static_cast<int>(stamp.size()) - 1)));
  line += text;
  line += "\r\n";
  return line;
}

bool RotateBefore(std::uint64_t logBytes, std::size_t lineBytes) {
  return logBytes > 0 && logBytes + lineBytes > kLogLimit;
}

}  // namespace task
