#include "serial_port.h"

#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/pgmspace.h>

#include "byte_queue.h"

#define BAUD 9600
#include <util/setbaud.h>

namespace lamp {

namespace {

// Far more than the main loop ever lets pile up: it drains the queue every millisecond,
// while a byte takes about a millisecond on the wire.
using ReceiveQueue = ByteQueue<32>;

ReceiveQueue& ReceivedBytes() {
  static ReceiveQueue queue;
  return queue;
}

void SendByte(uint8_t byte) {
  loop_until_bit_is_set(UCSR0A, UDRE0);
  UDR0 = byte;
}

}  // namespace

void SerialPortStart() {
  UBRR0H = UBRRH_VALUE;
  UBRR0L = UBRRL_VALUE;
#if USE_2X
  UCSR0A = _BV(U2X0);
#else
  UCSR0A = 0;
#endif
  UCSR0C = _BV(UCSZ01) | _BV(UCSZ00);
  UCSR0B = _BV(RXEN0) | _BV(TXEN0) | _BV(RXCIE0);
}

void SerialPortSendFlashLine(const char* text) {
  for (char c = static_cast<char>(pgm_read_byte(text)); c != '\0';
       c = static_cast<char>(pgm_read_byte(++text))) {
    SendByte(static_cast<uint8_t>(c));
  }
  SendByte('\r');
  SendByte('\n');
}

bool SerialPortReceive(uint8_t& byte) { return ReceivedBytes().Pop(byte); }

bool SerialPortHasInput() { return !ReceivedBytes().Empty(); }

}  // namespace lamp

ISR(USART_RX_vect) {
  // Reading UDR0 clears the interrupt even when the byte has to be dropped.
  const uint8_t byte = UDR0;
  lamp::ReceivedBytes().Push(byte);
}
