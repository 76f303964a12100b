// Conversions between the seam's UTF-8 and the system's UTF-16 and code pages.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

// The code page of text that is redirected to or from a file or pipe.
inline constexpr UINT kShiftJis = 932;

// Malformed input comes out with replacement characters, never as an error.
std::wstring ToWide(std::string_view bytes, UINT codePage);
std::string FromWide(std::wstring_view text, UINT codePage);

}  // namespace platform::win32
