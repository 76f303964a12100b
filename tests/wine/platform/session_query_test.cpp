// The session's state at start, asked of the system as the session window
// asks it. The test runs in a session that is unlocked and at the console.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/session_rules.h"
#include "platform/win32/away_messages.h"

namespace {

TEST(SessionQuery, ThisSessionCountsAsPresent) {
  const std::optional<platform::SessionInfo> session = platform::QuerySession();
  // Wine 8 does not answer WTSSessionInfoEx; Windows names this session.
  if (session) {
    DWORD own = 0;
    ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &own));
    EXPECT_EQ(session->sessionId, own);
  }
  const platform::SessionAway away = platform::AwayAtStart(session);
  EXPECT_FALSE(away.locked);
  EXPECT_FALSE(away.notAtConsole);
}

}  // namespace
