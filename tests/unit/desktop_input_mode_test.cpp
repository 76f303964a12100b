#include "platform/linux/desktop/input_mode.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace platform::desktop {
namespace {

enum class Lamp { On, Off, None };

// What the monitor makes of the answer: green, blue, or no colour pair.
Lamp LampOf(const std::optional<ImeStatus>& status) {
  if (!status) return Lamp::None;
  constexpr std::int64_t kNative = 1;
  constexpr std::int64_t kFullShape = 8;
  return status->openStatus != 0 && (status->conversionMode & (kNative | kFullShape)) != 0
             ? Lamp::On
             : Lamp::Off;
}

struct SymbolRow {
  std::string_view symbol;
  Lamp lamp;
};

TEST(DesktopInputMode, IbusInputModeSymbols) {
  for (const SymbolRow& row : {
           SymbolRow{"A", Lamp::Off},     // Mozc: direct input
           SymbolRow{"_A", Lamp::Off},    // half-width alphanumeric; Anthy's Latin
           SymbolRow{"あ", Lamp::On},     // hiragana
           SymbolRow{"ア", Lamp::On},     // katakana
           SymbolRow{"_ｱ", Lamp::On},     // half-width katakana
           SymbolRow{"Ａ", Lamp::On},     // full-width alphanumeric
           SymbolRow{"", Lamp::None},     // an engine that shows no symbol
           SymbolRow{"般", Lamp::None},   // another property's symbol
           SymbolRow{"a", Lamp::None},    // letter case counts
           SymbolRow{"あ ", Lamp::None},  // so does every byte
       }) {
    EXPECT_EQ(LampOf(ImeFromIbusInputMode(row.symbol)), row.lamp) << row.symbol;
  }
}

struct FcitxRow {
  std::int32_t state;
  std::optional<std::string_view> icon;
  Lamp lamp;
};

TEST(DesktopInputMode, FcitxStateAndTrayIcon) {
  for (const FcitxRow& row : {
           // No tray item: State alone.
           FcitxRow{2, std::nullopt, Lamp::On},
           FcitxRow{1, std::nullopt, Lamp::Off},
           FcitxRow{0, std::nullopt, Lamp::None},
           // Mozc's modes while active.
           FcitxRow{2, "fcitx_mozc_direct", Lamp::Off},
           FcitxRow{2, "fcitx_mozc_alpha_half", Lamp::Off},
           FcitxRow{2, "fcitx_mozc_hiragana", Lamp::On},
           FcitxRow{2, "fcitx_mozc_katakana_full", Lamp::On},
           FcitxRow{2, "fcitx_mozc_katakana_half", Lamp::On},
           FcitxRow{2, "fcitx_mozc_alpha_full", Lamp::On},
           // fcitx5 in a sandbox.
           FcitxRow{2, "org.fcitx.Fcitx5.fcitx_mozc_direct", Lamp::Off},
           FcitxRow{2, "org.fcitx.Fcitx5.fcitx_mozc_hiragana", Lamp::On},
           // Another engine's icon, or none known: State.
           FcitxRow{2, "fcitx-anthy", Lamp::On},
           FcitxRow{2, "", Lamp::On},
           FcitxRow{2, "fcitx_mozc_direct_x", Lamp::On},
           // An icon left from before does not outvote an inactive or
           // unfocused State.
           FcitxRow{1, "fcitx_mozc_hiragana", Lamp::Off},
           FcitxRow{0, "fcitx_mozc_hiragana", Lamp::None},
           FcitxRow{1, "input-keyboard-symbolic", Lamp::Off},
       }) {
    EXPECT_EQ(LampOf(ImeFromFcitx(row.state, row.icon)), row.lamp)
        << row.state << " " << row.icon.value_or("(no tray item)");
  }
}

}  // namespace
}  // namespace platform::desktop
