#ifndef MORVANE_FIRMWARE_LAMP_CONFIG_H
#define MORVANE_FIRMWARE_LAMP_CONFIG_H

#include <stdint.h>

// Build-time choices of the LED. The bare firmware's CMake options MORVANE_LAMP_* and the
// sketch's make variables LAMP_* set these; in the Arduino IDE, change the defaults here.
#ifndef LAMP_COMMON_ANODE
#define LAMP_COMMON_ANODE 0
#endif
#ifndef LAMP_RED_DUTY
#define LAMP_RED_DUTY 255
#endif
#ifndef LAMP_GREEN_DUTY
#define LAMP_GREEN_DUTY 255
#endif
#ifndef LAMP_BLUE_DUTY
#define LAMP_BLUE_DUTY 255
#endif

namespace lamp {

// A common-anode LED lights a colour while its pin is low, a common-cathode one while high.
constexpr bool kCommonAnode = LAMP_COMMON_ANODE != 0;

// PWM duty per colour while it is on: 255 is fully on, 0 keeps the colour dark.
constexpr uint8_t kRedDuty = LAMP_RED_DUTY;
constexpr uint8_t kGreenDuty = LAMP_GREEN_DUTY;
constexpr uint8_t kBlueDuty = LAMP_BLUE_DUTY;

static_assert(LAMP_RED_DUTY >= 0 && LAMP_RED_DUTY <= 255, "LAMP_RED_DUTY must be 0..255");
static_assert(LAMP_GREEN_DUTY >= 0 && LAMP_GREEN_DUTY <= 255, "LAMP_GREEN_DUTY must be 0..255");
static_assert(LAMP_BLUE_DUTY >= 0 && LAMP_BLUE_DUTY <= 255, "LAMP_BLUE_DUTY must be 0..255");

}  // namespace lamp

#endif
