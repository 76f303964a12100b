#include "platform/linux/desktop/ime_answers.h"

namespace platform::desktop {
namespace {

constexpr ImeStatus kOn{1, 1};
constexpr ImeStatus kOff{0, 0};

}  // namespace

std::optional<ImeStatus> ImeFromFcitxState(std::int32_t state) {
  constexpr std::int32_t kInactive = 1;
  constexpr std::int32_t kActive = 2;
  switch (state) {
    case kActive:
      return kOn;
    case kInactive:
      return kOff;
    default:
      return std::nullopt;
  }
}

std::optional<ImeStatus> ImeFromIbusEngine(std::string_view engineName) {
  if (engineName.empty()) return std::nullopt;
  return engineName.starts_with("xkb:") ? kOff : kOn;
}

}  // namespace platform::desktop
