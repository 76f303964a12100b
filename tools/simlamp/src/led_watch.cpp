#include "led_watch.h"

#include <sim_io.h>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "lamp_colours.h"
#include "pwm_pin_model.h"

namespace simlamp {

namespace {

// Data-space addresses from the ATmega328P datasheet's register summary.
constexpr avr_io_addr_t kDdrB = 0x24;
constexpr avr_io_addr_t kPortB = 0x25;
constexpr avr_io_addr_t kTccr1A = 0x80;
constexpr avr_io_addr_t kTccr1B = 0x81;
constexpr avr_io_addr_t kOcr1AL = 0x88;
constexpr avr_io_addr_t kOcr1AH = 0x89;
constexpr avr_io_addr_t kOcr1BL = 0x8A;
constexpr avr_io_addr_t kOcr1BH = 0x8B;
constexpr avr_io_addr_t kTccr2A = 0xB0;
constexpr avr_io_addr_t kTccr2B = 0xB1;
constexpr avr_io_addr_t kOcr2A = 0xB3;

constexpr std::array kWatchedRegisters = {kDdrB,   kPortB,  kTccr1A, kTccr1B, kOcr1AL, kOcr1AH,
                                          kOcr1BL, kOcr1BH, kTccr2A, kTccr2B, kOcr2A};

// Pins 9, 10 and 11 of the Uno are PB1, PB2 and PB3.
constexpr uint8_t kRedBit = 1;
constexpr uint8_t kGreenBit = 2;
constexpr uint8_t kBlueBit = 3;

}  // namespace

LedWatch::LedWatch(avr_t* avr, bool common_anode, Listener on_change)
    : avr_(avr), common_anode_(common_anode), on_change_(std::move(on_change)) {
  for (const avr_io_addr_t address : kWatchedRegisters) {
    avr_irq_t* irq = avr_iomem_getirq(avr_, address, nullptr, AVR_IOMEM_IRQ_ALL);
    if (irq == nullptr) {
      throw std::runtime_error("simavr offers no write hook for the LED registers");
    }
    avr_irq_register_notify(irq, &LedWatch::on_register_write, this);
  }
  colours_ = read_colours();
}

void LedWatch::refresh() {
  const uint8_t colours = read_colours();
  if (colours != colours_) {
    colours_ = colours;
    on_change_(colours_);
  }
}

void LedWatch::on_register_write(avr_irq_t* /*irq*/, uint32_t /*value*/, void* param) {
  static_cast<LedWatch*>(param)->refresh();
}

uint8_t LedWatch::read_colours() {
  const uint8_t* data = avr_->data;
  const Waveform timer1 = timer1_waveform(data[kTccr1A], data[kTccr1B]);
  const Waveform timer2 = timer2_waveform(data[kTccr2A], data[kTccr2B]);
  const auto ocr16 = [data](avr_io_addr_t low, avr_io_addr_t high) {
    return static_cast<uint16_t>(data[low] | (data[high] << 8));
  };
  const auto port_high = [data](uint8_t bit) { return ((data[kPortB] >> bit) & 1U) != 0; };

  struct Channel {
    uint8_t colour;
    uint8_t bit;
    PinDrive drive;
  };
  const std::array channels = {
      Channel{kRed, kRedBit,
              compare_pin_drive(timer1, static_cast<uint8_t>(data[kTccr1A] >> 6),
                                ocr16(kOcr1AL, kOcr1AH), port_high(kRedBit))},
      Channel{kGreen, kGreenBit,
              compare_pin_drive(timer1, static_cast<uint8_t>(data[kTccr1A] >> 4),
                                ocr16(kOcr1BL, kOcr1BH), port_high(kGreenBit))},
      Channel{kBlue, kBlueBit,
              compare_pin_drive(timer2, static_cast<uint8_t>(data[kTccr2A] >> 6), data[kOcr2A],
                                port_high(kBlueBit))},
  };

  uint8_t colours = 0;
  for (const Channel& channel : channels) {
    if (!channel.drive.modelled && !warned_unmodelled_) {
      warned_unmodelled_ = true;
      (void)std::fputs(
          "simlamp: warning: an LED pin's timer runs in a mode simlamp does not model; "
          "its colour follows the PORT bit\n",
          stderr);
    }
    const bool output = ((data[kDdrB] >> channel.bit) & 1U) != 0;
    const bool active = common_anode_ ? channel.drive.low : channel.drive.high;
    if (output && active) {
      colours = static_cast<uint8_t>(colours | channel.colour);
    }
  }
  return colours;
}

}  // namespace simlamp
