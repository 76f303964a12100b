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
void idle_until_interrupt() {
  cli();
  if (!lamp::serial_port_has_input()) {
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
  lamp::rgb_led_start();
  lamp::millis_clock_start();
  lamp::serial_port_start();
  sei();

  lamp::serial_port_send_line_P(kIdentity);

  lamp::LampControl control;
  uint8_t shown = 0;
  for (;;) {
    const uint16_t now = lamp::millis_clock_now();
    uint8_t byte = 0;
    while (lamp::serial_port_receive(byte)) {
      control.on_byte(byte, now);
    }
    control.on_tick(now);
    if (control.colours() != shown) {
      shown = control.colours();
      lamp::rgb_led_show(shown);
    }
    idle_until_interrupt();
  }
}
