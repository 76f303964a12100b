#include "identity.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace lamp {
namespace {

const std::string kLine = "Lumivantrexial\r\n";

// The native-USB serial port of the Arduino core as far as the sketch uses it: the host's
// DTR line and writes.
struct FakeSerial {
  bool hostDtr = false;
  std::string sent;

  // NOLINTNEXTLINE(readability-identifier-naming): the Arduino core's name
  bool dtr() const { return hostDtr; }
  // NOLINTNEXTLINE(readability-identifier-naming): the Arduino core's name
  std::size_t write(const char* text, std::size_t size) {
    sent.append(text, size);
    return size;
  }
};

class IdentityOnOpeningTest : public ::testing::Test {
 protected:
  // Polls once a millisecond, as the sketch's loop does many times over, from the
  // millisecond after the last poll up to untilMs.
  void RunUntil(uint16_t untilMs) {
    while (nowMs_ != untilMs) {
      ++nowMs_;
      identity_.Poll(nowMs_);
    }
  }

  // The host raises or drops DTR; returns the time of the first poll that sees it.
  uint16_t SetDtr(bool high) {
    serial_.hostDtr = high;
    return static_cast<uint16_t>(nowMs_ + 1);
  }

  uint16_t Now() const { return nowMs_; }
  void StartAfter(uint16_t ms) { nowMs_ = ms; }

  FakeSerial serial_;

 private:
  IdentityOnOpening<FakeSerial> identity_{serial_};
  uint16_t nowMs_ = 0;
};

TEST_F(IdentityOnOpeningTest, SilentWhileNoHostHasThePortOpen) {
  RunUntil(5000);
  EXPECT_EQ(serial_.sent, "");
}

TEST_F(IdentityOnOpeningTest, OpenCloseAndOpenAgainEachSendTheLineOnceAfterTheHold) {
  RunUntil(200);
  const uint16_t opened = SetDtr(true);
  RunUntil(opened + kOpeningHoldMs - 1);
  EXPECT_EQ(serial_.sent, "") << "the host may not have purged the port yet";
  RunUntil(opened + kOpeningHoldMs);
  EXPECT_EQ(serial_.sent, kLine);
  RunUntil(opened + 10000);
  EXPECT_EQ(serial_.sent, kLine) << "once per opening";

  SetDtr(false);
  RunUntil(Now() + 500);
  EXPECT_EQ(serial_.sent, kLine);

  const uint16_t reopened = SetDtr(true);
  RunUntil(reopened + kOpeningHoldMs - 1);
  EXPECT_EQ(serial_.sent, kLine);
  RunUntil(reopened + kOpeningHoldMs);
  EXPECT_EQ(serial_.sent, kLine + kLine);
}

TEST_F(IdentityOnOpeningTest, AnOpeningShorterThanTheHoldSendsNothingAndTheNextWaitsAnew) {
  const uint16_t opened = SetDtr(true);
  RunUntil(opened + kOpeningHoldMs - 1);
  SetDtr(false);
  RunUntil(Now() + 1);
  const uint16_t reopened = SetDtr(true);
  RunUntil(reopened + kOpeningHoldMs - 1);
  EXPECT_EQ(serial_.sent, "");
  RunUntil(reopened + kOpeningHoldMs);
  EXPECT_EQ(serial_.sent, kLine);
}

TEST_F(IdentityOnOpeningTest, TheHoldRunsAcrossTheCounterWrapAround) {
  StartAfter(0xFFFF - 300);
  const uint16_t opened = SetDtr(true);
  RunUntil(static_cast<uint16_t>(opened + kOpeningHoldMs - 1));
  EXPECT_EQ(serial_.sent, "");
  RunUntil(static_cast<uint16_t>(opened + kOpeningHoldMs));
  EXPECT_EQ(serial_.sent, kLine);
}

}  // namespace
}  // namespace lamp
