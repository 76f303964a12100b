// How the bytes of the lamp's identity line add up to a line.
#pragma once

#include <string>

// Adds one received byte to line. True when the byte ends the line (CR, not
// stored); LF is dropped wherever it stands; every other byte is kept.
bool AppendLineByte(std::string& line, char byte);

// The line as it may be shown on a terminal: printable ASCII as it is, every
// other byte as \xNN, so a device cannot send control sequences to the user.
std::string PrintableLine(const std::string& line);
