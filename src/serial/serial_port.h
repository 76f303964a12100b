// The one connection to the lamp: opening it, one byte out, one line in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

inline constexpr platform::LineSettings kLampLine{.baudRate = 9600,
                                                  .binary = true,
                                                  .byteSize = 8,
                                                  .parityCheck = false,
                                                  .stopBits = platform::StopBits::One};
inline constexpr std::uint32_t kQueueBytes = 1024;
// A write that the line has not taken within this time is a failed send.
inline constexpr std::uint32_t kWriteTimeoutMs = 1000;
// The shortest read time-out there is (0 waits without a limit).
inline constexpr std::uint32_t kShortestReadMs = 1;

// Opens and configures strCOMport into hComm, or ends the program.
void OpenSerialPort();

// Writes one byte to the lamp, or ends the program.
void SendCommand(char command);

// SendCommand for a byte that shows the keyboard's state, which the lamp
// takes only while someone is at the computer.
void SendStateCommand(char command);

// The bytes up to the next CR without CR and LF, or nullopt when the line is
// not complete by deadlineMs (platform::NowMs time) with the bytes that were
// waiting then. Ends the program when a read fails.
std::optional<std::string> ReceiveLine(std::uint64_t deadlineMs);
