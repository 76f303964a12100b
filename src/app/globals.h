// The program's state: process-wide, created before main runs and kept until
// the process ends. Each has one writer; see the functions named beside it.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"

// The identity a lamp must send before it is driven (CheckModuleName).
extern const std::string strModuleName;
// The device-description list, opened on the working folder's file before
// main runs (read by LoadArduinoNameList).
extern std::ifstream ifsPortNameList;
extern std::vector<std::u16string> ArduinoNameList;  // LoadArduinoNameList
extern std::vector<std::u16string> PortNameList;     // EnumerateSerialPorts
extern std::vector<std::u16string> PortNoList;       // EnumerateSerialPorts
extern std::u16string strCOMport;                    // SelectSerialPort
extern std::vector<std::u16string> FoundPortNoList;  // SelectSerialPort
extern std::vector<std::u16string> FoundPortNameList;
extern std::vector<std::int32_t> MenuNumberList;
extern std::string strSelect;

// The serial line (OpenSerialPort, SendCommand, ReceiveLine).
extern platform::PortHandle hComm;
// One for each thread: the event thread sends the lamp-off while the main
// thread may be between a send and its check.
extern thread_local bool bResult;
extern bool bRead;
extern char cRecv;
extern std::uint32_t dwRecvSize;

// The last IME colour pair sent, 0 until the first decision (monitor loop).
extern char cGreenCmd;
extern char cBlueCmd;
