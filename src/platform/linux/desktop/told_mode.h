// What a thread that follows an input method last heard of its mode, for
// the monitor to read each cycle without asking anyone and without
// allocating.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string_view>

namespace platform::desktop {

class ToldMode {
 public:
  // Longer words are cut: no mode's name comes near.
  static constexpr std::size_t kBytes = 64;

  struct Heard {
    bool told = false;
    std::array<char, kBytes> text{};
    std::size_t size = 0;

    std::string_view Text() const { return {text.data(), size}; }
    std::optional<std::string_view> Said() const {
      return told ? std::optional(Text()) : std::nullopt;
    }
  };

  void Tell(std::string_view text) {
    const std::lock_guard lock(mutex_);
    last_.told = true;
    last_.size = std::min(text.size(), kBytes);
    std::copy_n(text.data(), last_.size, last_.text.data());
  }

  void Forget() {
    const std::lock_guard lock(mutex_);
    last_.told = false;
    last_.size = 0;
  }

  Heard Last() const {
    const std::lock_guard lock(mutex_);
    return last_;
  }

 private:
  mutable std::mutex mutex_;
  Heard last_;
};

}  // namespace platform::desktop
