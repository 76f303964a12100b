#include "platform/linux/desktop/input_mode.h"

#include <algorithm>
#include <array>

#include "platform/linux/desktop/ime_answers.h"

namespace platform::desktop {
namespace {

constexpr ImeStatus kOn{1, 1};
constexpr ImeStatus kOff{0, 0};

struct Mode {
  std::string_view name;
  // cppcheck-suppress unusedStructMember
  bool on;  // read through the row that find_if returns, which cppcheck does not follow
};

std::optional<ImeStatus> Lookup(std::string_view name, const auto& modes) {
  const auto mode = std::find_if(modes.begin(), modes.end(),
                                 [name](const Mode& row) { return row.name == name; });
  if (mode == modes.end()) return std::nullopt;
  return mode->on ? kOn : kOff;
}

constexpr std::array kIbusSymbols{
    Mode{"A", false}, Mode{"_A", false}, Mode{"あ", true},
    Mode{"ア", true}, Mode{"_ｱ", true},  Mode{"Ａ", true},
};

constexpr std::array kMozcIcons{
    Mode{"fcitx_mozc_direct", false},       Mode{"fcitx_mozc_alpha_half", false},
    Mode{"fcitx_mozc_hiragana", true},      Mode{"fcitx_mozc_katakana_full", true},
    Mode{"fcitx_mozc_katakana_half", true}, Mode{"fcitx_mozc_alpha_full", true},
};

}  // namespace

std::optional<ImeStatus> ImeFromIbusInputMode(std::string_view symbol) {
  return Lookup(symbol, kIbusSymbols);
}

std::optional<ImeStatus> ImeFromFcitx(std::int32_t state, std::optional<std::string_view> icon) {
  constexpr std::int32_t kActive = 2;
  constexpr std::string_view kSandboxed = "org.fcitx.Fcitx5.";
  if (state == kActive && icon) {
    std::string_view name = *icon;
    if (name.starts_with(kSandboxed)) name.remove_prefix(kSandboxed.size());
    if (const std::optional<ImeStatus> mode = Lookup(name, kMozcIcons)) return mode;
  }
  return ImeFromFcitxState(state);
}

}  // namespace platform::desktop
