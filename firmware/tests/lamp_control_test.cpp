#include "lamp_control.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace lamp {
namespace {

// Feeds the bytes all at the same moment, as the firmware does with what piled up.
void Feed(LampControl& control, std::string_view bytes, uint16_t nowMs = 0) {
  for (char c : bytes) {
    control.OnByte(static_cast<uint8_t>(c), nowMs);
  }
}

TEST(LampControlCommands, StartsDark) {
  LampControl control;
  EXPECT_EQ(control.Colours(), 0);
}

TEST(LampControlCommands, UpperCaseLightsEachColour) {
  struct Case {
    char command;
    uint8_t colour;
  };
  for (const Case c : {Case{'R', Red}, Case{'G', Green}, Case{'B', Blue}}) {
    LampControl control;
    control.OnByte(static_cast<uint8_t>(c.command), 0);
    EXPECT_EQ(control.Colours(), c.colour) << c.command;
  }
}

TEST(LampControlCommands, LowerCaseDarkensOnlyItsColour) {
  LampControl control;
  Feed(control, "RGB");
  control.OnByte('g', 0);
  EXPECT_EQ(control.Colours(), Red | Blue);
  control.OnByte('r', 0);
  EXPECT_EQ(control.Colours(), Blue);
  control.OnByte('b', 0);
  EXPECT_EQ(control.Colours(), 0);
}

TEST(LampControlCommands, LowerCaseOnDarkLampKeepsItDark) {
  LampControl control;
  Feed(control, "rgbrgb");
  EXPECT_EQ(control.Colours(), 0);
}

TEST(LampControlCommands, RepeatsAndOrderOnlyTheLastWordPerColourCounts) {
  LampControl control;
  Feed(control, "RRrBGgGbR");
  EXPECT_EQ(control.Colours(), Red | Green);
}

TEST(LampControlCommands, IgnoresEveryOtherByte) {
  LampControl control;
  control.OnByte('G', 0);
  for (int byte = 0; byte <= 0xFF; ++byte) {
    if (std::string_view("RrGgBb").find(static_cast<char>(byte)) != std::string_view::npos) {
      continue;
    }
    control.OnByte(static_cast<uint8_t>(byte), 0);
    ASSERT_EQ(control.Colours(), Green) << "byte " << byte;
  }
}

TEST(LampControlCommands, HighBitSetIsNotACommand) {
  LampControl control;
  control.OnByte(static_cast<uint8_t>('R' | 0x80), 0);
  control.OnByte(static_cast<uint8_t>('G' | 0x80), 0);
  EXPECT_EQ(control.Colours(), 0);
}

TEST(LampControlSilence, StaysLitJustBeforeTheTimeout) {
  LampControl control;
  control.OnByte('B', 1000);
  control.OnTick(1000 + kSilenceTimeoutMs - 1);
  EXPECT_EQ(control.Colours(), Blue);
}

TEST(LampControlSilence, GoesDarkAtTheTimeout) {
  LampControl control;
  Feed(control, "RB", 1000);
  control.OnTick(1000 + kSilenceTimeoutMs);
  EXPECT_EQ(control.Colours(), 0);
}

TEST(LampControlSilence, EveryByteRestartsTheTimeoutCommandOrNot) {
  for (const char sign : {'G', '\n'}) {
    LampControl control;
    control.OnByte('G', 0);
    control.OnByte(static_cast<uint8_t>(sign), 2500);
    control.OnTick(2500 + kSilenceTimeoutMs - 1);
    EXPECT_EQ(control.Colours(), Green) << static_cast<int>(sign);
  }
}

TEST(LampControlSilence, TimesOutAcrossTheCounterWrapAround) {
  LampControl control;
  const uint16_t last = 0xFFFF - 1000;
  control.OnByte('R', last);
  control.OnTick(static_cast<uint16_t>(last + kSilenceTimeoutMs - 1));
  EXPECT_EQ(control.Colours(), Red);
  control.OnTick(static_cast<uint16_t>(last + kSilenceTimeoutMs));
  EXPECT_EQ(control.Colours(), 0);
}

TEST(LampControlSilence, LightsAgainAfterATimeout) {
  LampControl control;
  control.OnByte('R', 0);
  control.OnTick(kSilenceTimeoutMs);
  control.OnByte('G', 40000);
  control.OnTick(40001);
  EXPECT_EQ(control.Colours(), Green);
}

}  // namespace
}  // namespace lamp
