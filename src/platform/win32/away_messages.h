// What the hidden session window hears of the session's lock, the console,
// the display and sleep.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/session_rules.h"

namespace platform {

// GUID_CONSOLE_DISPLAY_STATE: its data says 0 off, 1 on, 2 dimmed.
inline constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// Asks the system to tell window of each, and takes the session's lock state
// at start. Where it refuses, that source stays "not away". Runs on the
// window's thread, whose messages it handles while it waits for the
// session's service.
void HearAwayMessages(HWND window);

// The answer to one of those messages; nullopt for any other message.
std::optional<LRESULT> OnAwayMessage(UINT message, WPARAM wParam, LPARAM lParam);

// Sets the session's sources that are away at start; leaves the others alone.
void TakeAwayAtStart(const SessionAway& away);

enum class AwayRegistration : std::uint8_t { Session, Display };

// ERROR_SUCCESS, or why the system refused the registration, for Away to
// note for morvane-probe.
void RecordRegistration(AwayRegistration registration, DWORD error);

// The program's session and the console's, by WTSSessionInfoEx; nullopt
// where the system does not answer.
std::optional<SessionInfo> QuerySession();

}  // namespace platform
