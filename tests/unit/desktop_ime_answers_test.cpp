#include "platform/linux/desktop/ime_answers.h"

#include <gtest/gtest.h>

namespace platform::desktop {
namespace {

constexpr std::int64_t kNative = 1;
constexpr std::int64_t kFullShape = 8;

// The program's own test of an input method that is on.
bool ReadsAsOn(const ImeStatus& status) {
  return status.openStatus != 0 && (status.conversionMode & (kNative | kFullShape)) != 0;
}

TEST(DesktopImeAnswers, FcitxActiveIsOn) {
  const auto ime = ImeFromFcitxState(2);
  ASSERT_TRUE(ime.has_value());
  EXPECT_TRUE(ReadsAsOn(*ime));
}

TEST(DesktopImeAnswers, FcitxInactiveIsOff) {
  const auto ime = ImeFromFcitxState(1);
  ASSERT_TRUE(ime.has_value());
  EXPECT_FALSE(ReadsAsOn(*ime));
}

TEST(DesktopImeAnswers, FcitxWithoutAFocusedInputContextOrAnUnknownStateIsNone) {
  EXPECT_FALSE(ImeFromFcitxState(0).has_value());
  EXPECT_FALSE(ImeFromFcitxState(3).has_value());
  EXPECT_FALSE(ImeFromFcitxState(-1).has_value());
}

TEST(DesktopImeAnswers, IbusKeyboardLayoutEnginesAreOff) {
  for (const char* engine : {"xkb:us::eng", "xkb:jp::jpn", "xkb:de:nodeadkeys:ger"}) {
    const auto ime = ImeFromIbusEngine(engine);
    ASSERT_TRUE(ime.has_value()) << engine;
    EXPECT_FALSE(ReadsAsOn(*ime)) << engine;
  }
}

TEST(DesktopImeAnswers, IbusConvertingEnginesAreOn) {
  for (const char* engine : {"anthy", "mozc-jp", "libpinyin", "hangul", "xkbfoo"}) {
    const auto ime = ImeFromIbusEngine(engine);
    ASSERT_TRUE(ime.has_value()) << engine;
    EXPECT_TRUE(ReadsAsOn(*ime)) << engine;
  }
}

TEST(DesktopImeAnswers, IbusWithoutAnEngineIsNone) {
  EXPECT_FALSE(ImeFromIbusEngine("").has_value());
}

}  // namespace
}  // namespace platform::desktop
