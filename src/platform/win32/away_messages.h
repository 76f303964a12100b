// What the hidden session window hears of the session's lock, the console,
// the display and sleep.
#pragma once

#include <windows.h>

#include <optional>

namespace platform {

// Asks the system to tell window of each. Where it refuses, that source
// stays "not away".
void HearAwayMessages(HWND window);

// The answer to one of those messages; nullopt for any other message.
std::optional<LRESULT> OnAwayMessage(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform
