// Every way the program ends once discovery is under way.
#pragma once

#include <string_view>

#include "platform/platform.h"

inline constexpr int kStatusSuccess = 0;
inline constexpr int kStatusFailure = 1;

// A failure: prints message, closes the port when one is open, waits for a
// key so that a window opened by double-click stays readable, status 1.
[[noreturn]] void FailAndExit(std::string_view message);

// Prints "FINISH", then ends as FailAndExit does.
[[noreturn]] void FinishAndExit();

// The normal end: prints the end message, switches the lamp dark, status 0.
[[noreturn]] void ExitWithLampOff();

// Runs on the platform's event thread: every console event ends the program
// with the lamp dark.
bool HandlerRoutine(platform::ConsoleEvent event);
