#include "probe_line.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "monitor/cycle_decisions.h"
#include "text/utf.h"

namespace {

using platform::Reply;

std::string_view ReplyWord(Reply reply) {
  switch (reply) {
    case Reply::Answered:
      break;
    case Reply::Nothing:
      return "なし";
    case Reply::NotReachable:
      return "接続できません";
    case Reply::TimedOut:
      return "時間切れ";
    case Reply::Refused:
      return "拒否されました";
    case Reply::Failed:
      return "失敗";
  }
  return "";
}

bool IsMiss(Reply reply) { return reply != Reply::Answered && reply != Reply::Nothing; }

// A source's value (a window title, an engine's name) as it may be shown on
// a terminal.
std::string Shown(std::string_view value) { return text::TerminalSafe(value); }

// " [fcitx5: 2, IBus: 接続できません]"; nothing without sources.
std::string Sources(const platform::SourceReplies& sources) {
  std::string text;
  for (const platform::SourceReply& source : sources) {
    text += text.empty() ? " [" : ", ";
    text += source.source;
    if (source.reply == Reply::Answered) {
      if (!source.value.empty()) text += ": " + Shown(source.value);
      continue;
    }
    text += ": ";
    text += ReplyWord(source.reply);
    if (source.reply == Reply::Failed && !source.value.empty()) {
      text += " (" + Shown(source.value) + ")";
    }
  }
  return text.empty() ? text : text + "]";
}

std::string_view ToggleWord(platform::Toggle toggle) {
  if (toggle == platform::Toggle::Unknown) return "不明";
  return toggle == platform::Toggle::On ? "オン" : "オフ";
}

std::string_view KeyWord(const std::optional<bool>& down) {
  if (!down) return "不明";
  return *down ? "押下" : "-";
}

// What the monitor makes of the answer: the colour pair it sends, or none.
std::string_view ImeWord(const platform::ImeReading& ime) {
  if (ime.query != platform::ImeQuery::Answered) return "なし";
  return ImeIsOn(ime.status) ? "オン" : "オフ";
}

// The away periods under way, by their words in the reasons' table.
std::string AwayWords(const platform::AwayState& away) {
  std::string words;
  for (const platform::AwayReasonRow& row : platform::kAwayReasons) {
    if (!away.Has(row.reason)) continue;
    if (!words.empty()) words += "、";
    words += row.word;
  }
  return words.empty() ? "なし" : words;
}

}  // namespace

std::string FormatReading(const ProbeReading& reading) {
  std::string line = "Caps Lock=";
  line += ToggleWord(reading.capsLock);
  line += Sources(reading.capsLockSources);
  line += "  Esc=";
  line += KeyWord(reading.keys.esc);
  line += "  Shift=";
  line += KeyWord(reading.keys.shift);
  line += Sources(reading.keySources);
  line += "  IME=";
  line += ImeWord(reading.ime);
  line += Sources(reading.imeSources);
  line += "  スクリーンセイバー=";
  line += reading.screenSaver ? "動作中" : "なし";
  line += Sources(reading.screenSaverSources);
  line += "  不在=";
  line += AwayWords(reading.away);
  line += Sources(reading.awaySources);
  return line;
}

std::string FormatTimeStamp(int hour, int minute, int second, int millisecond) {
  std::array<char, 16> text{};
  const int length = std::snprintf(text.data(), text.size(), "%02d:%02d:%02d.%03d", hour, minute,
                                   second, millisecond);
  return std::string(text.data(), static_cast<std::size_t>(std::max(length, 0)));
}

void Tally::Add(const ProbeReading& reading) {
  underWay_ = false;
  ++readings_;
  for (const auto* sources : {&reading.keySources, &reading.capsLockSources, &reading.imeSources,
                              &reading.screenSaverSources, &reading.awaySources}) {
    Count(*sources);
  }
}

void Tally::Count(const platform::SourceReplies& sources) {
  for (const platform::SourceReply& source : sources) {
    if (!IsMiss(source.reply)) continue;
    const auto seen = std::find_if(misses_.begin(), misses_.end(), [&](const Miss& miss) {
      return miss.source == source.source && miss.reply == source.reply;
    });
    if (seen != misses_.end()) {
      ++seen->times;
    } else {
      misses_.push_back({source.source, source.reply, 1});
    }
  }
}

std::string Tally::Summary() const {
  std::string line = "終了します。" + std::to_string(readings_) + "回読み取り";
  if (misses_.empty() && !underWay_) return line + "、すべて読めました。\n";
  if (!misses_.empty()) line += "、読めなかったもの: ";
  for (const Miss& miss : misses_) {
    if (&miss != &misses_.front()) line += "、";
    line += miss.source + " (";
    line += ReplyWord(miss.reply);
    line += ") " + std::to_string(miss.times) + "回";
  }
  if (underWay_) line += "、最後の読み取りは途中で終了しました";
  return line + "\n";
}
