// What the program and the lamp say to each other.
#pragma once

#include <cstdint>

// The lamp's identity line must be complete within this time of set-up.
inline constexpr std::uint64_t kIdentityDeadlineMs = 5000;

// Reads and checks the lamp's identity; returns only for a lamp of ours.
void CheckModuleName();

// Switches every colour off: r, g, b.
void LampOff();
