#ifndef MORVANE_FIRMWARE_SERIAL_PORT_H
#define MORVANE_FIRMWARE_SERIAL_PORT_H

#include <stdint.h>

namespace lamp {

// The hardware UART at 9600 bit/s 8N1; received bytes are queued by its interrupt.
void SerialPortStart();

// Sends a NUL-terminated string held in flash, then CR LF, waiting for each byte.
void SerialPortSendFlashLine(const char* text);

// Takes the oldest received byte; false when none is waiting.
bool SerialPortReceive(uint8_t& byte);

bool SerialPortHasInput();

}  // namespace lamp

#endif
