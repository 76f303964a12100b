// Which serial port is the lamp: the list file, the ports present, the choice.
#pragma once

#include <string>

// Loads the device descriptions of the list file; ends the program when none.
int LoadArduinoNameList();

// Lists the serial ports present with their port names and descriptions.
int EnumerateSerialPorts();

// Picks the lamp's port into strCOMport, asking when several are listed.
// 0 when no listed device is present.
int SelectSerialPort();

// The ports present, for a user who has to find the right description.
std::string DescribePortsPresent();
