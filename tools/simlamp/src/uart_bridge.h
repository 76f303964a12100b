#ifndef SIMLAMP_UART_BRIDGE_H
#define SIMLAMP_UART_BRIDGE_H

#include <sim_avr.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>

#include "irq_listener.h"

namespace simlamp {

// Connects the simulated UART0 to byte streams. Input waits here until the UART
// signals room (its XON/XOFF IRQs), so nothing is lost however fast the host writes;
// simavr then hands the bytes to the firmware at the configured baud rate.
class UartBridge : private IrqListener {
 public:
  using ByteListener = std::function<void(uint8_t byte)>;

  // onFed hears each byte as it enters the UART, onSent each byte the firmware sends.
  UartBridge(avr_t* avr, ByteListener onFed, ByteListener onSent);

  void Accept(std::span<const uint8_t> bytes);
  std::size_t Waiting() const { return waiting_.size(); }
  void Feed();
  // After a board reset the receiver is off until the firmware enables it again.
  void Reset();

 private:
  void OnOutput(uint32_t value);
  void OnXon(uint32_t value);
  void OnXoff(uint32_t value);

  avr_irq_t* input_;
  ByteListener onFed_;
  ByteListener onSent_;
  std::deque<uint8_t> waiting_;
  bool hasRoom_ = false;
};

}  // namespace simlamp

#endif
