#include "discovery/port_names.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using discovery::FoundPort;
using discovery::MatchPorts;

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

// The ports present, as enumeration reports them.
struct Ports {
  std::vector<std::u16string> nos;
  std::vector<std::u16string> names;
};

std::vector<std::u16string> FoundNos(const std::vector<FoundPort>& found) {
  std::vector<std::u16string> nos;
  nos.reserve(found.size());
  for (const FoundPort& port : found) {
    nos.push_back(port.portNo);
  }
  return nos;
}

TEST(MatchPorts, ReturnsThePortsDescriptionsTogether) {
  const Ports ports{{u"COM1", u"COM3"}, {u"Communications Port", u"Arduino Uno"}};
  const auto found = MatchPorts({u"Arduino Uno"}, ports.nos, ports.names);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].portNo, u"COM3");
  EXPECT_EQ(found[0].portName, u"Arduino Uno");
}

TEST(MatchPorts, OrdersByListEntryThenByEnumeration) {
  const Ports ports{{u"COM7", u"COM3", u"COM5", u"COM4"},
                    {u"Arduino Uno", u"Arduino Mega", u"Arduino Uno", u"Other"}};
  const auto found = MatchPorts({u"Arduino Mega", u"Arduino Uno"}, ports.nos, ports.names);
  EXPECT_EQ(FoundNos(found), (std::vector<std::u16string>{u"COM3", u"COM7", u"COM5"}));
}

TEST(MatchPorts, CountsAPortNamedTwiceOnceAtItsFirstEntry) {
  const Ports ports{{u"COM3", u"COM4"}, {u"Arduino Uno", u"Arduino Mega"}};
  const auto found =
      MatchPorts({u"Arduino Mega", u"Arduino Uno", u"Arduino Mega"}, ports.nos, ports.names);
  EXPECT_EQ(FoundNos(found), (std::vector<std::u16string>{u"COM4", u"COM3"}));
}

TEST(MatchPorts, KeepsTwoPortsThatShareADescriptionAndANumber) {
  // Only the position tells ports apart, not what they are called.
  const Ports ports{{u"COM3", u"COM3"}, {u"Arduino Uno", u"Arduino Uno"}};
  EXPECT_EQ(MatchPorts({u"Arduino Uno"}, ports.nos, ports.names).size(), 2u);
}

TEST(MatchPorts, WantsTheWholeDescriptionExactly) {
  const Ports ports{{u"COM3"}, {u"Arduino Uno"}};
  for (const std::u16string entry :
       {u"arduino uno", u"ARDUINO UNO", u"Arduino", u"Uno", u"Arduino Uno ", u" Arduino Uno",
        u"Arduino  Uno", u"Arduino Uno (COM3)", u""}) {
    SCOPED_TRACE(testing::PrintToString(entry));
    EXPECT_TRUE(MatchPorts({entry}, ports.nos, ports.names).empty());
  }
}

TEST(MatchPorts, FindsNothingWithoutEntriesOrPorts) {
  const Ports ports{{u"COM3"}, {u"Arduino Uno"}};
  EXPECT_TRUE(MatchPorts({}, ports.nos, ports.names).empty());
  EXPECT_TRUE(MatchPorts({u"Arduino Uno"}, {}, {}).empty());
}

}  // namespace
