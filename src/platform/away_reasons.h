// Why nobody can be at the computer: each reason declared once, with the
// message the program prints as a period of it begins and the word
// morvane-probe shows while it lasts. A new reason is a row here and the
// sources that read it (AwaySource, away.h); the monitor and the probe follow
// the table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace platform {

enum class AwayReason : std::uint8_t { Locked, DisplayOff, Sleeping };

struct AwayReasonRow {
  AwayReason reason;
  std::string_view message;  // printed once as a period begins
  std::string_view word;     // morvane-probe's, while the period lasts
};

// One row for each reason, in the enum's order, which is also the order of
// the messages when several periods begin in one cycle.
inline constexpr std::array kAwayReasons{
    // The session locked, or not the one at the console.
    AwayReasonRow{AwayReason::Locked, "画面がロックされました。\n", "ロック中"},
    AwayReasonRow{AwayReason::DisplayOff, "ディスプレイの電源が切れました。\n", "ディスプレイ消灯"},
    // Going to sleep, until the system resumes.
    AwayReasonRow{AwayReason::Sleeping, "スリープに入ります。\n", "スリープ"},
};

constexpr std::size_t Index(AwayReason reason) { return static_cast<std::size_t>(reason); }

constexpr bool RowsInTheEnumsOrder() {
  for (std::size_t row = 0; row < kAwayReasons.size(); ++row) {
    if (Index(kAwayReasons[row].reason) != row) return false;
  }
  return true;
}
static_assert(RowsInTheEnumsOrder(), "the table holds the reasons in the enum's order");

// The reasons under way now; each is a period of its own.
class AwayState {
 public:
  AwayState() = default;
  AwayState(std::initializer_list<AwayReason> reasons) {
    for (const AwayReason reason : reasons) Set(reason, true);
  }

  bool Has(AwayReason reason) const { return (bits_ & Bit(reason)) != 0; }
  bool Any() const { return bits_ != 0; }
  void Set(AwayReason reason, bool away) {
    bits_ = away ? bits_ | Bit(reason) : bits_ & ~Bit(reason);
  }

 private:
  static constexpr unsigned Bit(AwayReason reason) { return 1U << Index(reason); }

  unsigned bits_ = 0;
};

}  // namespace platform
