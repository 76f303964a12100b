// What the Windows session's answers at start mean, and the registration
// that the session's service refuses while it is not up yet.
#include "platform/session_rules.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

using platform::AwayAtStart;
using platform::SessionInfo;

constexpr std::int32_t kLock = 0;
constexpr std::int32_t kUnlock = 1;
constexpr std::int32_t kUnknown = -1;  // 0xFFFFFFFF
constexpr std::uint32_t kNoConsoleSession = 0xFFFFFFFF;

TEST(SessionRules, OnlyTheLockFlagIsLockedAndOnlyTheConsolesSessionIsAtTheConsole) {
  EXPECT_TRUE(AwayAtStart(SessionInfo{1, kLock, 1}).locked);
  EXPECT_FALSE(AwayAtStart(SessionInfo{1, kUnlock, 1}).locked);
  // Remote Desktop Services reports no lock state for some sessions.
  EXPECT_FALSE(AwayAtStart(SessionInfo{1, kUnknown, 1}).locked);

  EXPECT_FALSE(AwayAtStart(SessionInfo{1, kUnlock, 1}).notAtConsole);
  // Switched away from, or a remote session; or the console between sessions.
  EXPECT_TRUE(AwayAtStart(SessionInfo{2, kUnlock, 1}).notAtConsole);
  EXPECT_TRUE(AwayAtStart(SessionInfo{1, kUnlock, kNoConsoleSession}).notAtConsole);

  const platform::SessionAway unanswered = AwayAtStart(std::nullopt);
  EXPECT_FALSE(unanswered.locked || unanswered.notAtConsole);
}

// Runs the registration against scripted answers; how often it waited.
struct Registrar {
  std::deque<std::uint32_t> answers;
  int tries = 0;
  int waits = 0;

  std::uint32_t Register() {
    return platform::RegisterWhenReady(
        [this] {
          ++tries;
          const std::uint32_t answer = answers.front();
          if (answers.size() > 1) answers.pop_front();
          return answer;
        },
        [this] { ++waits; });
  }
};

TEST(SessionRules, ARegistrationRefusedBeforeTheServiceIsUpIsMadeAgainAfterTheWait) {
  Registrar early{{platform::kSessionServiceNotReady, 0}};
  EXPECT_EQ(early.Register(), 0U);
  EXPECT_EQ(early.tries, 2);
  EXPECT_EQ(early.waits, 1);

  constexpr std::uint32_t kAccessDenied = 5;
  Registrar refused{{kAccessDenied, 0}};
  EXPECT_EQ(refused.Register(), kAccessDenied);
  EXPECT_EQ(refused.waits, 0);

  Registrar neverUp{{platform::kSessionServiceNotReady}};
  EXPECT_EQ(neverUp.Register(), platform::kSessionServiceNotReady);
  EXPECT_EQ(neverUp.tries, platform::kRegistrationTries);
  EXPECT_EQ(neverUp.waits, platform::kRegistrationTries - 1);
}

}  // namespace
