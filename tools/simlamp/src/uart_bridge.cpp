#include "uart_bridge.h"

#include <avr_uart.h>
#include <sim_io.h>

#include <stdexcept>
#include <utility>

namespace simlamp {

namespace {

constexpr char kUart = '0';

avr_irq_t* UartIrq(avr_t* avr, int index) {
  avr_irq_t* irq = avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ(kUart), index);
  if (irq == nullptr) {
    throw std::runtime_error("the simulated MCU has no UART0");
  }
  return irq;
}

}  // namespace

UartBridge::UartBridge(avr_t* avr, ByteListener onFed, ByteListener onSent)
    : input_(UartIrq(avr, UART_IRQ_INPUT)), onFed_(std::move(onFed)), onSent_(std::move(onSent)) {
  // Without these flags simavr neither echoes the output to its console nor sleeps
  // in the firmware's status-register polls, which would spoil real-time pacing.
  uint32_t flags = 0;
  avr_ioctl(avr, AVR_IOCTL_UART_SET_FLAGS(kUart), &flags);
  Hear<&UartBridge::OnOutput>(UartIrq(avr, UART_IRQ_OUTPUT), this);
  Hear<&UartBridge::OnXon>(UartIrq(avr, UART_IRQ_OUT_XON), this);
  Hear<&UartBridge::OnXoff>(UartIrq(avr, UART_IRQ_OUT_XOFF), this);
}

void UartBridge::Accept(std::span<const uint8_t> bytes) {
  waiting_.insert(waiting_.end(), bytes.begin(), bytes.end());
}

void UartBridge::Feed() {
  // Raising the input IRQ can call OnXoff at once, which ends the loop.
  while (hasRoom_ && !waiting_.empty()) {
    const uint8_t byte = waiting_.front();
    waiting_.pop_front();
    avr_raise_irq(input_, byte);
    onFed_(byte);
  }
}

void UartBridge::Reset() { hasRoom_ = false; }

void UartBridge::OnOutput(uint32_t value) { onSent_(static_cast<uint8_t>(value)); }

void UartBridge::OnXon(uint32_t /*value*/) { hasRoom_ = true; }

void UartBridge::OnXoff(uint32_t value) {
  if (value != 0) {
    hasRoom_ = false;
  }
}

}  // namespace simlamp
