#ifndef SIMLAMP_UART_BRIDGE_H
#define SIMLAMP_UART_BRIDGE_H

#include <sim_avr.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>

namespace simlamp {

// Connects the simulated UART0 to byte streams. Input waits here until the UART
// signals room (its XON/XOFF IRQs), so nothing is lost however fast the host writes;
// simavr then hands the bytes to the firmware at the configured baud rate.
class UartBridge {
 public:
  using ByteListener = std::function<void(uint8_t byte)>;

  // on_fed hears each byte as it enters the UART, on_sent each byte the firmware sends.
  UartBridge(avr_t* avr, ByteListener on_fed, ByteListener on_sent);
  UartBridge(const UartBridge&) = delete;
  UartBridge& operator=(const UartBridge&) = delete;

  void accept(std::span<const uint8_t> bytes);
  std::size_t waiting() const { return waiting_.size(); }
  void feed();
  // After a board reset the receiver is off until the firmware enables it again.
  void reset();

 private:
  static void on_output(avr_irq_t* irq, uint32_t value, void* param);
  static void on_xon(avr_irq_t* irq, uint32_t value, void* param);
  static void on_xoff(avr_irq_t* irq, uint32_t value, void* param);

  avr_irq_t* input_;
  ByteListener on_fed_;
  ByteListener on_sent_;
  std::deque<uint8_t> waiting_;
  bool has_room_ = false;
};

}  // namespace simlamp

#endif
