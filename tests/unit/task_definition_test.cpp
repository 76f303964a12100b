// The task's definition: what it names is escaped wherever XML needs it.
#include "task_definition.h"

#include <gtest/gtest.h>

namespace {

std::size_t Count(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

TEST(TaskDefinitionTest, EscapesEveryCharacterThatXmlReserves) {
  EXPECT_EQ(task::XmlEscaped(R"(a&b<c>"d'e 家族)"), "a&amp;b&lt;c&gt;&quot;d&apos;e 家族");
}

TEST(TaskDefinitionTest, NamesTheUserAndThePlacesEscapedAndAsTheyAre) {
  const std::string xml = task::TaskDefinition(
      {.userId = "PC\\O'Brien & 家族",
       .launcher = R"(C:\Users\{user}\AppData\Local\Programs\morvane\morvane-task.exe)",
       .workingFolder = R"(C:\Users\<x>\AppData\Roaming\morvane)"});
  // The log-on, the unlock and the principal: the same user.
  EXPECT_EQ(Count(xml, "<UserId>PC\\O&apos;Brien &amp; 家族</UserId>"), 3U);
  EXPECT_EQ(Count(xml, "<UserId>"), 3U);
  // A marker inside a value is the value's own text.
  EXPECT_NE(
      xml.find(
          R"(<Command>C:\Users\{user}\AppData\Local\Programs\morvane\morvane-task.exe</Command>)"),
      std::string::npos);
  EXPECT_NE(
      xml.find(
          R"(<WorkingDirectory>C:\Users\&lt;x&gt;\AppData\Roaming\morvane</WorkingDirectory>)"),
      std::string::npos);
}

TEST(TaskDefinitionTest, ThePortQueryIsTextInsideItsElement) {
  const std::string xml =
      task::TaskDefinition({.userId = "PC\\user", .launcher = "m", .workingFolder = "w"});
  const auto begin = xml.find("<Subscription>") + std::string_view("<Subscription>").size();
  const auto end = xml.find("</Subscription>");
  ASSERT_LT(begin, end);
  const std::string_view query(xml.data() + begin, end - begin);
  EXPECT_TRUE(query.starts_with("&lt;QueryList&gt;&lt;Query Id=&quot;0&quot;"));
  EXPECT_EQ(query.find_first_of("<>\"'"), std::string_view::npos);
  EXPECT_NE(query.find("EventID=410"), std::string_view::npos);
  EXPECT_NE(query.find("=&apos;{4d36e978-e325-11ce-bfc1-08002be10318}&apos;"),
            std::string_view::npos);
}

}  // namespace
