// The mode inside an input method, read as on or off where the service's
// plain answer cannot tell: Mozc and Anthy switch between kana and
// half-width letters inside one engine, so IBus's engine and fcitx5's State
// stay the same while the user types half-width alphanumerics.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/platform.h"

namespace platform::desktop {

// The symbol of an IBus engine's InputMode property (Mozc, Anthy): direct
// input "A" and Latin "_A" are off; hiragana "あ", katakana "ア", half-width
// katakana "_ｱ" and full-width letters "Ａ" are on, as full-width letters
// are under Windows. nullopt for a symbol of no mode known here.
std::optional<ImeStatus> ImeFromIbusInputMode(std::string_view symbol);

// fcitx5's State, and the IconName of its tray item where one is published.
// While an input method is active (2) the icon tells Mozc's mode: direct and
// half-width alphanumeric are off, the kana and full-width modes on; any
// other icon, or none, leaves State to tell. fcitx5 in a sandbox names its
// icons with its application id in front ("org.fcitx.Fcitx5.").
std::optional<ImeStatus> ImeFromFcitx(std::int32_t state, std::optional<std::string_view> icon);

}  // namespace platform::desktop
