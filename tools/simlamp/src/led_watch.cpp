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

LedWatch::LedWatch(avr_t* avr, bool commonAnode, Listener onChange)
    : avr_(avr), commonAnode_(commonAnode), onChange_(std::move(onChange)) {
  for (const avr_io_addr_t address : kWatchedRegisters) {
    avr_irq_t* irq = avr_iomem_getirq(avr_, address, nullptr, AVR_IOMEM_IRQ_ALL);
    if (irq == nullptr) {
      throw std::runtime_error("simavr offers no write hook for the LED registers");
    }
    avr_irq_register_notify(irq, &LedWatch::OnRegisterWrite, this);
  }
  colours_ = ReadColours();
}

void LedWatch::Refresh() {
  const uint8_t colours = ReadColours();
  if (colours != colours_) {
    colours_ = colours;
    onChange_(colours_);
  }
}

void LedWatch::OnRegisterWrite(avr_irq_t* /*irq*/, uint32_t /*value*/, void* param) {
  static_cast<LedWatch*>(param)->Refresh();
}

uint8_t LedWatch::ReadColours() {
  const uint8_t* data = avr_->data;
  const Waveform timer1 = Timer1Waveform(data[kTccr1A], data[kTccr1B]);
  const Waveform timer2 = Timer2Waveform(data[kTccr2A], data[kTccr2B]);
  const auto ocr16 = [data](avr_io_addr_t low, avr_io_addr_t high) {
    return static_cast<uint16_t>(data[low] | (data[high] << 8));
  };
  const auto portHigh = [data](uint8_t bit) { return ((data[kPortB] >> bit) & 1U) != 0; };

  struct Channel {
    uint8_t colour;
    uint8_t bit;
    PinDrive drive;
  };
  const std::array channels = {
      Channel{lamp::Red, kRedBit,
              ComparePinDrive(timer1, static_cast<uint8_t>(data[kTccr1A] >> 6),
                              ocr16(kOcr1AL, kOcr1AH), portHigh(kRedBit))},
      Channel{lamp::Green, kGreenBit,
              ComparePinDrive(timer1, static_cast<uint8_t>(data[kTccr1A] >> 4),
                              ocr16(kOcr1BL, kOcr1BH), portHigh(kGreenBit))},
      Channel{lamp::Blue, kBlueBit,
              ComparePinDrive(timer2, static_cast<uint8_t>(data[kTccr2A] >> 6), data[kOcr2A],
                              portHigh(kBlueBit))},
  };

  uint8_t colours = 0;
  for (const Channel& channel : channels) {
    if (!channel.drive.modelled && !warnedUnmodelled_) {
      warnedUnmodelled_ = true;
      (void)std::fputs(
          "simlamp: warning: an LED pin's timer runs in a mode simlamp does not model; "
          "its colour follows the PORT bit\n",
          stderr);
    }
    const bool output = ((data[kDdrB] >> channel.bit) & 1U) != 0;
    const bool active = commonAnode_ ? channel.drive.low : channel.drive.high;
    if (output && active) {
      colours = static_cast<uint8_t>(colours | channel.colour);
    }
  }
  return colours;
}

}  // namespace simlamp
