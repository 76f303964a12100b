// The system's text for an errno value.
#include <array>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace platform {
namespace {

// strerror_r comes in two forms: the GNU one returns the text, the POSIX one
// fills the buffer and returns 0.
[[maybe_unused]] const char* Chosen(const char* text, const char* /*buffer*/) { return text; }
[[maybe_unused]] const char* Chosen(int result, const char* buffer) {
  return result == 0 ? buffer : nullptr;
}

}  // namespace

std::string SystemErrorText(SystemError error) {
  std::array<char, 256> buffer{};
  const char* text = Chosen(
      ::strerror_r(static_cast<int>(error.code), buffer.data(), buffer.size()), buffer.data());
  return text != nullptr ? text : "error " + std::to_string(error.code);
}

}  // namespace platform
