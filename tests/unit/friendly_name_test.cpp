#include "discovery/friendly_name.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

TEST(CutFriendlyName, SplitsEveryShapeOfName) {
  const struct {
    std::u16string_view friendlyName;
    std::u16string_view portNo;
    std::u16string_view portName;
  } cases[] = {
      {u"Arduino Uno (COM3)", u"COM3", u"Arduino Uno"},
      {u"Arduino Uno (/dev/ttyACM0)", u"/dev/ttyACM0", u"Arduino Uno"},
      {u"USB \u30B7\u30EA\u30A2\u30EB \U0001F600 (COM10)", u"COM10",
       u"USB \u30B7\u30EA\u30A2\u30EB \U0001F600"},
      {u"Arduino Uno(COM3)", u"COM3", u"Arduino Un"},
      {u"Dev (x) (COM4)", u"COM4", u"Dev (x)"},
      {u"Dev (COM5) extra", u"COM5", u"Dev"},
      {u"Dev COM", u"Dev COM", u"Dev COM"},
      {u"Dev COM6)", u"Dev COM6", u"Dev COM6)"},
      {u"Dev (COM7", u"COM7", u"Dev"},
      {u"Dev ) (COM8", u"COM8", u"Dev )"},
      {u"(COM9) Dev", u"COM9", u"(COM9) Dev"},
      {u"Dev ()", u"", u"Dev"},
      {u"", u"", u""},
  };
  for (const auto& [friendlyName, portNo, portName] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(friendlyName)));
    const discovery::PortParts parts = discovery::CutFriendlyName(friendlyName);
    EXPECT_EQ(parts.portNo, portNo);
    EXPECT_EQ(parts.portName, portName);
  }
}

}  // namespace
