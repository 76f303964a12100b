#include "platform/session_rules.h"

namespace platform {
namespace {

constexpr std::int32_t kSessionStateLock = 0;

}  // namespace

SessionAway AwayAtStart(const std::optional<SessionInfo>& session) {
  if (!session) return {};
  // Windows 7 and Server 2008 R2 report the flag reversed (LOCK for an
  // unlocked session); morvane targets Windows 10 and 11, which report it as
  // documented.
  return {.locked = session->sessionFlags == kSessionStateLock,
          .notAtConsole = session->sessionId != session->consoleSessionId};
}

std::uint32_t RegisterWhenReady(const std::function<std::uint32_t()>& tryRegister,
                                const std::function<void()>& waitUntilReady) {
  std::uint32_t error = tryRegister();
  for (int tries = 1; error == kSessionServiceNotReady && tries < kRegistrationTries; ++tries) {
    waitUntilReady();
    error = tryRegister();
  }
  return error;
}

}  // namespace platform
