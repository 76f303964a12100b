// The list file arduino_portname.txt, read into ArduinoNameList.
#pragma once

// Loads the device descriptions of the list file; ends the program when none.
int LoadArduinoNameList();
