#include <avr/interrupt.h>
#include <avr/pgmspace.h>
#include <avr/sleep.h>

#include "lamp_control.h"
#include "millis_clock.h"
#include "rgb_led.h"
#include "serial_port.h"

namespace {

const char kIdentity[] PROGMEM = "Lumivantrexial";

// Interrupts are held off between the check and the sleep instruction (SEI lets one more
// instruction run), so a byte that arrives in between still wakes the loop at once.
void IdleUntilInterrupt() {
  cli();
  if (!lamp::SerialPortHasInput()) {
    set_sleep_mode(SLEEP_MODE_IDLE);
    sleep_enable();
    sei();
    sleep_cpu();
    sleep_disable();
  }
  sei();
}

}  // namespace

int main() {
  lamp::RgbLedStart();
  lamp::MillisClockStart();
  lamp::SerialPortStart();
  sei();

  lamp::SerialPortSendFlashLine(kIdentity);

  lamp::LampControl control;
  uint8_t shown = 0;
  for (;;) {
    const uint16_t now = lamp::MillisClockNow();
    uint8_t byte = 0;
    while (lamp::SerialPortReceive(byte)) {
      control.OnByte(byte, now);
    }
    control.OnTick(now);
    if (control.Colours() != shown) {
      shown = control.Colours();
      lamp::RgbLedShow(shown);
    }
    IdleUntilInterrupt();
  }
}
