#include "serial/line_assembly.h"

#include <gtest/gtest.h>

namespace {

// Feeds bytes until a line ends; returns the line and how many bytes it took.
std::pair<std::string, std::size_t> Assemble(std::string_view bytes) {
  std::string line;
  for (std::size_t used = 0; used < bytes.size(); ++used) {
    if (AppendLineByte(line, bytes[used])) return {line, used + 1};
  }
  return {line, bytes.size()};
}

TEST(LineAssembly, StopsAtCrAndLeavesTheLfUnread) {
  EXPECT_EQ(Assemble("abc\r\n"), std::make_pair(std::string("abc"), std::size_t{4}));
}

TEST(LineAssembly, DropsLfWhereverItStands) {
  EXPECT_EQ(Assemble("\nabc\r").first, "abc");
  EXPECT_EQ(Assemble("a\nb\r").first, "ab");
}

TEST(LineAssembly, CrFirstGivesAnEmptyLine) { EXPECT_EQ(Assemble("\rabc\r").first, ""); }

TEST(LineAssembly, KeepsNulAndHighBytes) {
  EXPECT_EQ(Assemble(std::string_view("a\0\xFF\r", 4)).first, std::string("a\0\xFF", 3));
}

TEST(PrintableLine, EscapesEveryByteThatCouldSteerATerminal) {
  EXPECT_EQ(PrintableLine("Lumivantrexial"), "Lumivantrexial");
  EXPECT_EQ(PrintableLine("\x1B[2J"), "\\x1B[2J");
  EXPECT_EQ(PrintableLine(std::string("a\0b", 3)), "a\\x00b");
  EXPECT_EQ(PrintableLine("\x7F\x80\xFF"), "\\x7F\\x80\\xFF");
  EXPECT_EQ(PrintableLine(" ~"), " ~");
}

}  // namespace
