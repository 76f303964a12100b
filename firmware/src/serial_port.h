#ifndef MORVANE_FIRMWARE_SERIAL_PORT_H
#define MORVANE_FIRMWARE_SERIAL_PORT_H

#include <stdint.h>

namespace lamp {

// The hardware UART at 9600 bit/s 8N1; received bytes are queued by its interrupt.
void serial_port_start();

// Sends a NUL-terminated string held in flash, then CR LF, waiting for each byte.
void serial_port_send_line_P(const char* text);

// Takes the oldest received byte; false when none is waiting.
bool serial_port_receive(uint8_t& byte);

bool serial_port_has_input();

}  // namespace lamp

#endif
