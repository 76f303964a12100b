// Caps Lock as the kernel's LED class shows it. The compositor, the X server
// or the text console sets each keyboard's capslock LED, so this reading
// holds under Wayland, under X and on a text console alike, and needs no
// permission beyond reading sysfs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform::desktop {

class CapsLockLeds {
 public:
  // The LEDs are <sysfsRoot>/class/leds/*::capslock/brightness.
  explicit CapsLockLeds(std::filesystem::path sysfsRoot);

  // On when any keyboard's LED is lit, Off when every one is dark, Unknown
  // when there is none. nowMs is a monotonic clock: the LEDs found are read
  // each call, and class/leds is scanned again only on the first call and
  // then, no sooner than kRescanMs after the previous scan, while none was
  // found or after one stopped reading.
  Toggle Read(std::uint64_t nowMs);

  static constexpr std::uint64_t kRescanMs = 2000;

 private:
  // Keeps the LEDs that read; whether one of them is lit.
  bool Scan(std::uint64_t nowMs);
  // Drops the LEDs that no longer read; whether one of the others is lit.
  bool ReadKept();
  bool ScanDue(std::uint64_t nowMs) const;

  std::filesystem::path root_;
  std::vector<std::string> brightnessFiles_;
  std::optional<std::uint64_t> lastScanMs_;
  bool lostOne_ = false;
};

}  // namespace platform::desktop
