#include "platform/linux/desktop/caps_lock_leds.h"

#include <string_view>
#include <system_error>
#include <utility>

#include "platform/linux/bounded_file.h"

namespace platform::desktop {
namespace {

namespace fs = std::filesystem;

// Whether the LED is lit; nullopt when its file does not read as a number,
// as when the keyboard was unplugged, or is no regular file. Opened afresh
// each time, so that an entry gone is seen as gone in any tree, sysfs or not.
std::optional<bool> Lit(const std::string& brightnessFile) {
  // A number, in far fewer bytes than this.
  constexpr std::size_t kBrightnessBytes = 16;
  int error = 0;
  const std::optional<std::string> text =
      platform::linux_os::ReadBoundedFile(brightnessFile.c_str(), kBrightnessBytes, error);
  if (!text || text->empty()) return std::nullopt;
  const std::string_view value = *text;
  const auto digits = value.find_first_not_of("0123456789");
  if (digits == 0) return std::nullopt;
  return value.substr(0, digits).find_first_not_of('0') != std::string_view::npos;
}

}  // namespace

CapsLockLeds::CapsLockLeds(fs::path sysfsRoot) : root_(std::move(sysfsRoot)) {}

Toggle CapsLockLeds::Read(std::uint64_t nowMs) {
  bool lit = ReadKept();
  if (ScanDue(nowMs)) lit = Scan(nowMs);
  if (brightnessFiles_.empty()) return Toggle::Unknown;
  return lit ? Toggle::On : Toggle::Off;
}

bool CapsLockLeds::ScanDue(std::uint64_t nowMs) const {
  if (!lastScanMs_) return true;
  return (brightnessFiles_.empty() || lostOne_) && nowMs - *lastScanMs_ >= kRescanMs;
}

bool CapsLockLeds::ReadKept() {
  bool lit = false;
  std::erase_if(brightnessFiles_, [&](const std::string& file) {
    const std::optional<bool> led = Lit(file);
    lit = lit || led.value_or(false);
    lostOne_ = lostOne_ || !led;
    return !led;
  });
  return lit;
}

bool CapsLockLeds::Scan(std::uint64_t nowMs) {
  constexpr std::string_view kCapsLock = "::capslock";
  lastScanMs_ = nowMs;
  brightnessFiles_.clear();
  std::error_code error;
  for (fs::directory_iterator it(root_ / "class" / "leds", error), end; !error && it != end;
       it.increment(error)) {
    if (!it->path().filename().string().ends_with(kCapsLock)) continue;
    brightnessFiles_.push_back((it->path() / "brightness").string());
  }
  // A file that does not read now is left out, and counts as no loss: it
  // cannot bring a scan about at every call.
  const bool lit = ReadKept();
  lostOne_ = false;
  return lit;
}

}  // namespace platform::desktop
