// What the Windows session's answers mean for the lamp, in plain C++ so that
// the rules are tested on every system: the session's state at start, and
// when a refused registration is worth another try.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// What WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE,
// WTS_CURRENT_SESSION, WTSSessionInfoEx) tells of the program's session, and
// the session that the console shows.
struct SessionInfo {
  std::uint32_t sessionId = 0;
  std::int32_t sessionFlags = 0;  // WTS_SESSIONSTATE_LOCK, _UNLOCK or _UNKNOWN
  std::uint32_t consoleSessionId =
      0;  // WTSGetActiveConsoleSessionId: 0xFFFFFFFF while none is attached
};

struct SessionAway {
  bool locked = false;
  bool notAtConsole = false;
};

// The notifications tell of changes only, so a program started behind the
// lock screen asks once. No answer counts as not away, as every source that
// cannot be read does.
SessionAway AwayAtStart(const std::optional<SessionInfo>& session);

// RPC_S_INVALID_BINDING: Remote Desktop Services, which deliver the session's
// notifications, are not up yet, as early at log-on.
inline constexpr std::uint32_t kSessionServiceNotReady = 1702;
inline constexpr int kRegistrationTries = 5;

// Calls tryRegister, which answers 0 or why the system refused, and while the
// service is not ready, waitUntilReady and then tryRegister again, at most
// kRegistrationTries times in all. The last answer.
std::uint32_t RegisterWhenReady(const std::function<std::uint32_t()>& tryRegister,
                                const std::function<void()>& waitUntilReady);

}  // namespace platform
