// The console writer that both systems share, and what each system gives it.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform::detail {

// Waits until the console has taken every text handed on so far, or ms have
// passed; true when it has.
bool WaitForConsole(std::uint32_t ms);

// Each system's own: writes all of utf8 to standard output, for as long as
// the console takes; a write that fails drops the rest.
void WriteToStandardOutput(std::string_view utf8);

// Each system's own: starts body on a thread of its own, which the end
// signals never reach (Linux: they are for the thread that waits for them).
// False when no thread could be started.
bool StartQuietThread(void (*body)());

}  // namespace platform::detail
