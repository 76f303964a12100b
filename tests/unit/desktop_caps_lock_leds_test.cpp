#include "platform/linux/desktop/caps_lock_leds.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace platform::desktop {
namespace {

namespace fs = std::filesystem;

// A sysfs tree in a temporary folder with the LED class's entries, each a
// folder with its brightness as the kernel shows it; the clock is the test's.
class CapsLockLedsTest : public testing::Test {
 protected:
  static fs::path MakeTree() {
    std::string pattern = (fs::temp_directory_path() / "leds-XXXXXX").string();
    return mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
  }

  void SetUp() override { ASSERT_FALSE(kRoot.empty()); }

  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(kRoot, ignored);
  }

  void SetLed(std::string_view name, std::string_view brightness) {
    const fs::path led = kRoot / "class/leds" / name;
    fs::create_directories(led);
    std::ofstream(led / "brightness") << brightness;
  }

  void Unplug(std::string_view name) { fs::remove_all(kRoot / "class/leds" / name); }

  // Reads at each step of 100 ms, as the monitor does, up to and with untilMs.
  Toggle ReadEachCycleUntil(std::uint64_t untilMs) {
    Toggle last = Toggle::Unknown;
    for (; nowMs_ <= untilMs; nowMs_ += 100) last = leds_.Read(nowMs_);
    return last;
  }

  Toggle ReadNow() { return leds_.Read(nowMs_); }

  // A keyboard with its LED lit, plugged in now, is seen no sooner than two
  // seconds after the scan at scannedMs; until then the reading stays as it was.
  void ExpectLitOnlyAtTheNextScan(std::string_view name, std::uint64_t scannedMs,
                                  Toggle meanwhile) {
    SetLed(name, "1\n");
    EXPECT_EQ(ReadEachCycleUntil(scannedMs + CapsLockLeds::kRescanMs - 100), meanwhile);
    EXPECT_EQ(ReadNow(), Toggle::On);
  }

  const fs::path kRoot = MakeTree();
  std::uint64_t nowMs_ = 1000;
  CapsLockLeds leds_{kRoot};
};

TEST_F(CapsLockLedsTest, FollowsOneKeyboardsLedEachRead) {
  SetLed("input3::capslock", "0\n");
  SetLed("input3::numlock", "1\n");
  EXPECT_EQ(ReadNow(), Toggle::Off);
  SetLed("input3::capslock", "1\n");
  EXPECT_EQ(ReadNow(), Toggle::On);
  SetLed("input3::capslock", "0\n");
  EXPECT_EQ(ReadNow(), Toggle::Off);
}

TEST_F(CapsLockLedsTest, IsOnWhenAnyOfSeveralKeyboardsIsLit) {
  SetLed("input3::capslock", "0\n");
  SetLed("input7::capslock", "255\n");
  SetLed("input9::capslock", "0\n");
  EXPECT_EQ(ReadNow(), Toggle::On);
  SetLed("input7::capslock", "0\n");
  EXPECT_EQ(ReadNow(), Toggle::Off);
}

TEST_F(CapsLockLedsTest, IsUnknownWithoutAnyKeyboardLed) {
  EXPECT_EQ(ReadNow(), Toggle::Unknown);
  SetLed("input3::numlock", "1\n");
  SetLed("phy0-led", "1\n");
  EXPECT_EQ(ReadEachCycleUntil(10000), Toggle::Unknown);
}

TEST_F(CapsLockLedsTest, WhileNoneReadsLooksAgainOnlyEveryTwoSeconds) {
  SetLed("input3::capslock", "");
  fs::create_directories(kRoot / "class/leds/input4::capslock/brightness");
  EXPECT_EQ(ReadNow(), Toggle::Unknown);
  ExpectLitOnlyAtTheNextScan("input3::capslock", nowMs_, Toggle::Unknown);
}

TEST_F(CapsLockLedsTest, ABrightnessThatIsAPipeIsNoLedAndHoldsNothingUp) {
  fs::create_directories(kRoot / "class/leds/input3::capslock");
  ASSERT_EQ(mkfifo((kRoot / "class/leds/input3::capslock/brightness").c_str(), 0600), 0);
  SetLed("input4::capslock", "1\n");
  EXPECT_EQ(ReadNow(), Toggle::On);
}

TEST_F(CapsLockLedsTest, ReadsTheOthersWhenAKeyboardIsUnpluggedAndLaterFindsItsReturn) {
  SetLed("input3::capslock", "0\n");
  SetLed("input7::capslock", "1\n");
  EXPECT_EQ(ReadNow(), Toggle::On);
  const std::uint64_t scanned = nowMs_;
  Unplug("input7::capslock");
  EXPECT_EQ(ReadEachCycleUntil(scanned + 500), Toggle::Off);
  // Plugged in again, under the next input number: the loss brings a scan
  // about, though no sooner than two seconds after the previous one.
  ExpectLitOnlyAtTheNextScan("input8::capslock", scanned, Toggle::Off);
}

TEST_F(CapsLockLedsTest, ScansAtOnceWhenTheOnlyKeyboardGoesAndThenEveryTwoSeconds) {
  SetLed("input3::capslock", "1\n");
  EXPECT_EQ(ReadEachCycleUntil(5000), Toggle::On);
  Unplug("input3::capslock");
  SetLed("input4::capslock", "0\n");
  EXPECT_EQ(ReadNow(), Toggle::Off);
  Unplug("input4::capslock");
  EXPECT_EQ(ReadNow(), Toggle::Unknown);
  ExpectLitOnlyAtTheNextScan("input5::capslock", nowMs_, Toggle::Unknown);
}

}  // namespace
}  // namespace platform::desktop
