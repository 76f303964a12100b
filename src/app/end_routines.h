// Every way the program ends once discovery is under way.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

inline constexpr int kStatusSuccess = 0;
// A failure that may pass by itself (a board unplugged, a resume): a service
// manager may start the program again.
inline constexpr int kStatusFailure = 1;
// Nothing to drive: no list entry, no listed device present, a device with
// another identity or none, or several listed devices and nobody to choose.
// Starting again changes nothing until a board is plugged in.
inline constexpr int kStatusNothingToDrive = 2;

// The line that gives the system's own reason for a failed call.
std::string ReasonLine(platform::SystemError error);

// A failure: prints message, closes the port when one is open, waits for a
// key so that a window opened by double-click stays readable, then ends with
// status. An end event while it waits ends the program with status at once.
[[noreturn]] void FailAndExit(std::string_view message, int status = kStatusFailure);

// A failed system call: as above, with the system's reason after message.
[[noreturn]] void FailAndExit(std::string_view message, platform::SystemError error,
                              int status = kStatusFailure);

// A failed system call once the handshake is done: as FailAndExit, with the
// lamp switched dark after the message and its reason.
[[noreturn]] void FailWithLampOff(std::string_view message, platform::SystemError error);

// Prints "FINISH", then ends as FailAndExit does.
[[noreturn]] void FinishAndExit(int status = kStatusFailure);

// The normal end: prints the end message, switches the lamp dark, status 0.
[[noreturn]] void ExitWithLampOff();

// Runs on the platform's event thread: every console event ends the program
// with the lamp dark.
bool HandlerRoutine(platform::ConsoleEvent event);
