#include "serial/lamp_protocol.h"

#include "app/globals.h"
#include "fake/program_test.h"

namespace {

class LampProtocolTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    hComm = static_cast<platform::PortHandle>(7);
  }
};

TEST_F(LampProtocolTest, AcceptsTheIdentityAndShowsIt) {
  fake::Receive("Lumivantrexial\r\n");
  CheckModuleName();
  EXPECT_EQ(Fake().Console(), "Arduinoから受信した名称は、「Lumivantrexial」です。\n\n");
  EXPECT_EQ(Fake().received.size(), 1U);  // the LF stays unread
}

TEST_F(LampProtocolTest, DropsLfsBeforeComparing) {
  fake::Receive("\nLumivan\ntrexial\r");
  CheckModuleName();
  EXPECT_EQ(Fake().Bytes(), "");
}

TEST_F(LampProtocolTest, RefusesEveryOtherIdentityWithoutTouchingTheLamp) {
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"lumivantrexial", "lumivantrexial"},
      {" Lumivantrexial", " Lumivantrexial"},
      {"Lumivantrexial\t", "Lumivantrexial\\x09"},
      {"Lumivantrexia", "Lumivantrexia"},
      {"trexial", "trexial"},
      {"", ""}};
  for (const auto& [identity, shown] : refused) {
    fake::Reset();
    hComm = static_cast<platform::PortHandle>(7);
    fake::Receive(identity + "\r");
    EXPECT_EQ(StatusOf([] { CheckModuleName(); }), 2) << identity;
    EXPECT_EQ(Fake().Console(),
              "Arduinoから受信した名称は、「" + shown +
                  "」です。\n\nmoduleが「Lumivantrexial」ではなく使えません。\n\nFINISH\n");
    EXPECT_EQ(Fake().Bytes(), "");
    EXPECT_TRUE(Called("close"));
    EXPECT_TRUE(Called("pause:2"));
  }
}

TEST_F(LampProtocolTest, ShowsControlBytesOfTheIdentityEscaped) {
  fake::Receive("\x1B]0;x\a\r");
  StatusOf([] { CheckModuleName(); });
  EXPECT_NE(Fake().Console().find("「\\x1B]0;x\\x07」"), std::string::npos);
}

TEST_F(LampProtocolTest, ALongIdentityIsShownCutToItsFirst64Bytes) {
  for (const auto& [length, shown] :
       {std::pair{64, std::string(64, 'L')}, std::pair{100000, std::string(64, 'L') + "…"}}) {
    fake::Reset();
    fake::Receive(std::string(length, 'L') + "\r");
    StatusOf([] { CheckModuleName(); });
    EXPECT_TRUE(Fake().Console().starts_with("Arduinoから受信した名称は、「" + shown + "」です。"))
        << length;
  }
}

TEST_F(LampProtocolTest, ASilentBoardIsNothingToDriveAfterTheDeadline) {
  const std::uint64_t start = Fake().nowMs;
  EXPECT_EQ(StatusOf([] { CheckModuleName(); }), 2);
  EXPECT_EQ(Fake().Console(), "Arduinoから名称を受信できませんでした。\nFINISH\n");
  EXPECT_EQ(Fake().nowMs - start, kIdentityDeadlineMs);
}

TEST_F(LampProtocolTest, ABoardWithoutCrIsNothingToDriveAfterTheDeadline) {
  fake::Receive("Lumivantrexial");
  EXPECT_EQ(StatusOf([] { CheckModuleName(); }), 2);
  EXPECT_EQ(Fake().Console(), "Arduinoから名称を受信できませんでした。\nFINISH\n");
}

TEST_F(LampProtocolTest, LampOffSendsEveryColourOff) {
  LampOff();
  EXPECT_EQ(Fake().Bytes(), "rgb");
}

}  // namespace
