#include "monitor/cycle_decisions.h"

namespace {

constexpr std::int64_t kImeCmodeNative = 0x1;
constexpr std::int64_t kImeCmodeFullShape = 0x8;

}  // namespace

std::optional<char> RedCommand(platform::Toggle capsLock) {
  switch (capsLock) {
    case platform::Toggle::On:
      return 'R';
    case platform::Toggle::Off:
      return 'r';
    case platform::Toggle::Unknown:
      break;
  }
  return std::nullopt;
}

bool ImeIsOn(const platform::ImeStatus& status) {
  return status.openStatus != 0 &&
         (status.conversionMode & (kImeCmodeNative | kImeCmodeFullShape)) != 0;
}

ImeDecision DecideIme(bool imeOn, char greenCmd, char blueCmd) {
  if (imeOn) {
    return {'G', 'b', greenCmd != 'G' ? "IMEがONです。\n" : ""};
  }
  return {'g', 'B', blueCmd != 'B' ? "IMEがOFFで、半角英数モードです。\n" : ""};
}

SaverDecision DecideScreenSaver(bool running, bool messageShown) {
  if (!running) return {false, false, ""};
  return {true, true, messageShown ? "" : "スクリーンセイバーが起動しました。\n"};
}

AwayDecision DecideAway(const platform::AwayState& away, const AwayMessages& shown) {
  // Each message is shown once as its period begins, so shown follows away.
  AwayDecision decision{.lampOff = away.Any(), .shown = away, .messages = {}};
  for (const platform::AwayReasonRow& row : platform::kAwayReasons) {
    if (away.Has(row.reason) && !shown.Has(row.reason)) {
      decision.messages[platform::Index(row.reason)] = row.message;
    }
  }
  return decision;
}
