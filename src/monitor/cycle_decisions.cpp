#include "monitor/cycle_decisions.h"

namespace {

constexpr std::int64_t kImeCmodeNative = 0x1;
constexpr std::int64_t kImeCmodeFullShape = 0x8;

// The message when a period begins; shown follows the period.
std::string_view Opening(bool now, bool& shown, std::string_view message) {
  const bool begins = now && !shown;
  shown = now;
  return begins ? message : "";
}

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

AwayDecision DecideAway(const platform::AwayState& away, AwayMessages shown) {
  AwayDecision decision{
      .lampOff = away.locked || away.displayOff || away.sleeping, .shown = shown, .messages = {}};
  decision.messages = {
      Opening(away.locked, decision.shown.locked, "画面がロックされました。\n"),
      Opening(away.displayOff, decision.shown.displayOff, "ディスプレイの電源が切れました。\n"),
      Opening(away.sleeping, decision.shown.sleeping, "スリープに入ります。\n")};
  return decision;
}
