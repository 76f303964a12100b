#ifndef MORVANE_FIRMWARE_BOARD_PINS_H
#define MORVANE_FIRMWARE_BOARD_PINS_H

#include <stdint.h>

struct LedPins {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

// The LED's pins on each board, all three PWM pins so that the duties can dim a colour.
// The Uno and the Nano use the bare firmware's pins. The Arduino IDE and the Makefile
// define ARDUINO_<build.board of boards.txt>.
#if defined(ARDUINO_AVR_UNO)
constexpr LedPins kLedPins = {9, 10, 11};  // timer 1 A and B, timer 2 A
#elif defined(ARDUINO_AVR_NANO)
constexpr LedPins kLedPins = {9, 10, 11};  // timer 1 A and B, timer 2 A
#elif defined(ARDUINO_AVR_MEGA2560)
constexpr LedPins kLedPins = {9, 10, 11};  // timer 2 B and A, timer 1 A
#elif defined(ARDUINO_AVR_LEONARDO)
constexpr LedPins kLedPins = {9, 10, 11};  // timer 1 A and B, timer 0 A
#elif defined(ARDUINO_AVR_MICRO)
constexpr LedPins kLedPins = {9, 10, 11};  // timer 1 A and B, timer 0 A
#else
#error "board_pins.h has no LED pins for this board: add a line with three of its PWM pins"
#endif

#endif
