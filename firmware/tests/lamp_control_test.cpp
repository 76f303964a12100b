#include "lamp_control.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace lamp {
namespace {

// Feeds the bytes all at the same moment, as the firmware does with what piled up.
void feed(LampControl& control, std::string_view bytes, uint16_t now_ms = 0) {
  for (char c : bytes) {
    control.on_byte(static_cast<uint8_t>(c), now_ms);
  }
}

TEST(LampControlCommands, StartsDark) {
  LampControl control;
  EXPECT_EQ(control.colours(), 0);
}

TEST(LampControlCommands, UpperCaseLightsEachColour) {
  struct Case {
    char command;
    uint8_t colour;
  };
  for (const Case c : {Case{'R', kRed}, Case{'G', kGreen}, Case{'B', kBlue}}) {
    LampControl control;
    control.on_byte(static_cast<uint8_t>(c.command), 0);
    EXPECT_EQ(control.colours(), c.colour) << c.command;
  }
}

TEST(LampControlCommands, LowerCaseDarkensOnlyItsColour) {
  LampControl control;
  feed(control, "RGB");
  control.on_byte('g', 0);
  EXPECT_EQ(control.colours(), kRed | kBlue);
  control.on_byte('r', 0);
  EXPECT_EQ(control.colours(), kBlue);
  control.on_byte('b', 0);
  EXPECT_EQ(control.colours(), 0);
}

TEST(LampControlCommands, LowerCaseOnDarkLampKeepsItDark) {
  LampControl control;
  feed(control, "rgbrgb");
  EXPECT_EQ(control.colours(), 0);
}

TEST(LampControlCommands, RepeatsAndOrderOnlyTheLastWordPerColourCounts) {
  LampControl control;
  feed(control, "RRrBGgGbR");
  EXPECT_EQ(control.colours(), kRed | kGreen);
}

TEST(LampControlCommands, IgnoresEveryOtherByte) {
  LampControl control;
  control.on_byte('G', 0);
  for (int byte = 0; byte <= 0xFF; ++byte) {
    if (std::string_view("RrGgBb").find(static_cast<char>(byte)) != std::string_view::npos) {
      continue;
    }
    control.on_byte(static_cast<uint8_t>(byte), 0);
    ASSERT_EQ(control.colours(), kGreen) << "byte " << byte;
  }
}

TEST(LampControlCommands, HighBitSetIsNotACommand) {
  LampControl control;
  control.on_byte(static_cast<uint8_t>('R' | 0x80), 0);
  control.on_byte(static_cast<uint8_t>('G' | 0x80), 0);
  EXPECT_EQ(control.colours(), 0);
}

TEST(LampControlSilence, StaysLitJustBeforeTheTimeout) {
  LampControl control;
  control.on_byte('B', 1000);
  control.on_tick(1000 + kSilenceTimeoutMs - 1);
  EXPECT_EQ(control.colours(), kBlue);
}

TEST(LampControlSilence, GoesDarkAtTheTimeout) {
  LampControl control;
  feed(control, "RB", 1000);
  control.on_tick(1000 + kSilenceTimeoutMs);
  EXPECT_EQ(control.colours(), 0);
}

TEST(LampControlSilence, EveryByteRestartsTheTimeout) {
  LampControl control;
  control.on_byte('G', 0);
  control.on_byte('G', 2500);
  control.on_tick(2500 + kSilenceTimeoutMs - 1);
  EXPECT_EQ(control.colours(), kGreen);
}

TEST(LampControlSilence, UnknownBytesAlsoCountAsSignsOfLife) {
  LampControl control;
  control.on_byte('G', 0);
  control.on_byte('\n', 2500);
  control.on_tick(2500 + kSilenceTimeoutMs - 1);
  EXPECT_EQ(control.colours(), kGreen);
}

TEST(LampControlSilence, TimesOutAcrossTheCounterWrapAround) {
  LampControl control;
  const uint16_t last = 0xFFFF - 1000;
  control.on_byte('R', last);
  control.on_tick(static_cast<uint16_t>(last + kSilenceTimeoutMs - 1));
  EXPECT_EQ(control.colours(), kRed);
  control.on_tick(static_cast<uint16_t>(last + kSilenceTimeoutMs));
  EXPECT_EQ(control.colours(), 0);
}

TEST(LampControlSilence, LightsAgainAfterATimeout) {
  LampControl control;
  control.on_byte('R', 0);
  control.on_tick(kSilenceTimeoutMs);
  control.on_byte('G', 40000);
  control.on_tick(40001);
  EXPECT_EQ(control.colours(), kGreen);
}

}  // namespace
}  // namespace lamp
