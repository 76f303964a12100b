// The program's hidden top-level window, as another program finds it:
// morvane-task's stop closes it, as taskkill does without /F.
#pragma once

namespace platform::win32 {

inline constexpr wchar_t kSessionWindowClass[] = L"morvane.session";

}  // namespace platform::win32
