// The lamp's firmware on the Arduino core, for the boards in board_pins.h. What the bytes
// do to the colours and the silence timeout are the bare firmware's own (src/lamp_control.*);
// see ../README.md.

#include "board_pins.h"
#include "src/identity.h"
#include "src/lamp_config.h"
#include "src/lamp_control.h"

// Whole milliseconds counted from micros(). millis() moves in steps of 1.024 ms with an
// extra step now and then, so it can lag by a millisecond; counting here keeps the silence
// timeout to the millisecond, as on the bare firmware.
class MillisecondClock {
 public:
  uint16_t Now() {
    const uint32_t micro = micros();
    while (micro - counted_ >= 1000) {
      counted_ += 1000;
      ++ms_;
    }
    return ms_;
  }

 private:
  uint32_t counted_ = 0;
  uint16_t ms_ = 0;
};

static void Light(uint8_t pin, bool lit, uint8_t duty) {
  const uint8_t level = lit ? duty : 0;
  // analogWrite holds 0 and 255 as steady levels, so a duty of 0 never lights a colour. A
  // common-anode LED lights while its pin is low.
  analogWrite(pin, lamp::kCommonAnode ? 255 - level : level);
}

static void Show(uint8_t colours) {
  Light(kLedPins.red, (colours & lamp::Red) != 0, lamp::kRedDuty);
  Light(kLedPins.green, (colours & lamp::Green) != 0, lamp::kGreenDuty);
  Light(kLedPins.blue, (colours & lamp::Blue) != 0, lamp::kBlueDuty);
}

void setup() {
  Show(0);
  Serial.begin(9600);
#if !defined(USBCON)
  // The host's opening of the port resets these boards, so each opening starts here.
  lamp::SendIdentity(Serial);
#endif
}

void loop() {
  static MillisecondClock clock;
  static lamp::LampControl control;
  static uint8_t shown = 0;

  const uint16_t now = clock.Now();
  while (Serial.available() > 0) {
    control.OnByte(static_cast<uint8_t>(Serial.read()), now);
  }
  control.OnTick(now);
  if (control.Colours() != shown) {
    shown = control.Colours();
    Show(shown);
  }
#if defined(USBCON)
  static lamp::IdentityOnOpening<Serial_> identity(Serial);
  identity.Poll(now);
#endif
}
