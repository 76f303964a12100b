// The program's state: process-wide, created before main runs and kept until
// the process ends. Each has one writer; see the functions named beside it.
#pragma once

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

// Whether standard input, output and error were made safe before anything
// else (platform::PrepareStandardStreams).
extern const bool kStandardStreamsReady;
// The identity a lamp must send before it is driven (CheckModuleName).
extern const std::string strModuleName;
// The device-description list: the bytes of the working folder's file, read
// before main runs, empty when it is missing or no regular file (read by
// LoadArduinoNameList).
extern std::istringstream ifsPortNameList;
// Why the list file could not be read where it is there, or may be, but
// cannot be (its reason is shown with the failure); unset otherwise.
extern std::optional<platform::SystemError> errPortNameList;
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
