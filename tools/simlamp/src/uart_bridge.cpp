#include "uart_bridge.h"

#include <avr_uart.h>
#include <sim_io.h>

#include <stdexcept>
#include <utility>

namespace simlamp {

namespace {

constexpr char kUart = '0';

avr_irq_t* uart_irq(avr_t* avr, int index) {
  avr_irq_t* irq = avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ(kUart), index);
  if (irq == nullptr) {
    throw std::runtime_error("the simulated MCU has no UART0");
  }
  return irq;
}

}  // namespace

UartBridge::UartBridge(avr_t* avr, ByteListener on_fed, ByteListener on_sent)
    : input_(uart_irq(avr, UART_IRQ_INPUT)),
      on_fed_(std::move(on_fed)),
      on_sent_(std::move(on_sent)) {
  // Without these flags simavr neither echoes the output to its console nor sleeps
  // in the firmware's status-register polls, which would spoil real-time pacing.
  uint32_t flags = 0;
  avr_ioctl(avr, AVR_IOCTL_UART_SET_FLAGS(kUart), &flags);
  avr_irq_register_notify(uart_irq(avr, UART_IRQ_OUTPUT), &UartBridge::on_output, this);
  avr_irq_register_notify(uart_irq(avr, UART_IRQ_OUT_XON), &UartBridge::on_xon, this);
  avr_irq_register_notify(uart_irq(avr, UART_IRQ_OUT_XOFF), &UartBridge::on_xoff, this);
}

void UartBridge::accept(std::span<const uint8_t> bytes) {
  waiting_.insert(waiting_.end(), bytes.begin(), bytes.end());
}

void UartBridge::feed() {
  // Raising the input IRQ can call on_xoff at once, which ends the loop.
  while (has_room_ && !waiting_.empty()) {
    const uint8_t byte = waiting_.front();
    waiting_.pop_front();
    avr_raise_irq(input_, byte);
    on_fed_(byte);
  }
}

void UartBridge::reset() { has_room_ = false; }

void UartBridge::on_output(avr_irq_t* /*irq*/, uint32_t value, void* param) {
  static_cast<UartBridge*>(param)->on_sent_(static_cast<uint8_t>(value));
}

void UartBridge::on_xon(avr_irq_t* /*irq*/, uint32_t /*value*/, void* param) {
  static_cast<UartBridge*>(param)->has_room_ = true;
}

void UartBridge::on_xoff(avr_irq_t* /*irq*/, uint32_t value, void* param) {
  if (value != 0) {
    static_cast<UartBridge*>(param)->has_room_ = false;
  }
}

}  // namespace simlamp
