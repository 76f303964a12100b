// Which serial port is the lamp: the ports present, matched against the list
// file's entries, and the user's choice among several.
#pragma once

#include <string>

// Lists the serial ports present with their port names and descriptions.
int EnumerateSerialPorts();

// Picks the lamp's port into strCOMport, asking when several are listed.
// 0 when no listed device is present.
int SelectSerialPort();

// The ports present, for a user who has to find the right description.
std::string DescribePortsPresent();
