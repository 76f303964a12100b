// What morvane-task makes of the program's output before it reaches the log.
#include "log_lines.h"

#include <gtest/gtest.h>

namespace {

using task::LineCutter;
using Lines = std::vector<std::string>;

TEST(TaskLogTest, LinesComeWholeHoweverThePipeCutsThem) {
  LineCutter cutter;
  // "IMEがONです。" in Shift_JIS, cut inside a character and between CR and LF.
  EXPECT_EQ(cutter.Take("IME\x82"), Lines{});
  EXPECT_EQ(cutter.Take("\xaaON\x82\xc5\x82\xb7\x81\x42\r"), Lines{});
  EXPECT_EQ(cutter.Take("\n\r\n\nFINISH\r\n続"),
            (Lines{"IME\x82\xaaON\x82\xc5\x82\xb7\x81\x42", "FINISH"}));
  EXPECT_EQ(cutter.Rest(), "続");
  EXPECT_EQ(cutter.Rest(), std::nullopt);
}

TEST(TaskLogTest, ALineBeyondTheLongestIsWrittenInPieces) {
  LineCutter cutter;
  const std::string longLine(task::kLongestLine + 3, 'x');
  EXPECT_EQ(cutter.Take(longLine + "\n"), (Lines{longLine.substr(0, task::kLongestLine), "xxx"}));
}

TEST(TaskLogTest, EachLineBeginsWithTheLocalTimeAndEndsWithCrLf) {
  EXPECT_EQ(task::StampedLine({.year = 2025,
                               .month = 1,
                               .day = 31,
                               .hour = 9,
                               .minute = 5,
                               .second = 7,
                               .millisecond = 42},
                              "終了しました。"),
            "2025-01-31 09:05:07.042  終了しました。\r\n");
}

TEST(TaskLogTest, TheLogTurnsOlderOnlyWhenTheLineWouldTakeItBeyondItsLimit) {
  EXPECT_FALSE(task::RotateBefore(task::kLogLimit - 10, 10));
  EXPECT_TRUE(task::RotateBefore(task::kLogLimit - 10, 11));
  // A new log takes any line, so that nothing loops on a line too long.
  EXPECT_FALSE(task::RotateBefore(0, task::kLogLimit + 1));
}

}  // namespace
