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
enum Register : avr_io_addr_t {
  DdrB = 0x24,
  PortB = 0x25,
  Tccr1A = 0x80,
  Tccr1B = 0x81,
  Ocr1AL = 0x88,
  Ocr1AH = 0x89,
  Ocr1BL = 0x8A,
  Ocr1BH = 0x8B,
  Tccr2A = 0xB0,
  Tccr2B = 0xB1,
  Ocr2A = 0xB3,
};

constexpr std::array kWatchedRegisters = {DdrB,   PortB,  Tccr1A, Tccr1B, Ocr1AL, Ocr1AH,
                                          Ocr1BL, Ocr1BH, Tccr2A, Tccr2B, Ocr2A};

// Pins 9, 10 and 11 of the Uno are PB1, PB2 and PB3.
constexpr uint8_t kRedBit = 1;
constexpr uint8_t kGreenBit = 2;
constexpr uint8_t kBlueBit = 3;

}  // namespace

LedWatch::LedWatch(avr_t* avr, bool commonAnode, Listener onChange)
    : avr_(avr), commonAnode_(commonAnode), onChange_(std::move(onChange)) {
  for (const Register address : kWatchedRegisters) {
    avr_irq_t* irq = avr_iomem_getirq(avr_, address, nullptr, AVR_IOMEM_IRQ_ALL);
    if (irq == nullptr) {
      throw std::runtime_error("simavr offers no write hook for the LED registers");
    }
    Hear<&LedWatch::OnRegisterWrite>(irq, this);
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

void LedWatch::OnRegisterWrite(uint32_t /*value*/) { Refresh(); }

uint8_t LedWatch::ReadColours() {
  const uint8_t* data = avr_->data;
  const Waveform timer1 = Timer1Waveform(data[Tccr1A], data[Tccr1B]);
  const Waveform timer2 = Timer2Waveform(data[Tccr2A], data[Tccr2B]);
  const auto ocr16 = [data](Register low, Register high) {
    return static_cast<uint16_t>(data[low] | (data[high] << 8));
  };
  const auto portHigh = [data](uint8_t bit) { return ((data[PortB] >> bit) & 1U) != 0; };

  struct Channel {
    uint8_t colour;
    uint8_t bit;
    PinDrive drive;
  };
  const std::array channels = {
      Channel{lamp::Red, kRedBit,
              ComparePinDrive(timer1, static_cast<uint8_t>(data[Tccr1A] >> 6),
                              ocr16(Ocr1AL, Ocr1AH), portHigh(kRedBit))},
      Channel{lamp::Green, kGreenBit,
              ComparePinDrive(timer1, static_cast<uint8_t>(data[Tccr1A] >> 4),
                              ocr16(Ocr1BL, Ocr1BH), portHigh(kGreenBit))},
      Channel{lamp::Blue, kBlueBit,
              ComparePinDrive(timer2, static_cast<uint8_t>(data[Tccr2A] >> 6), data[Ocr2A],
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
    const bool output = ((data[DdrB] >> channel.bit) & 1U) != 0;
    const bool active = commonAnode_ ? channel.drive.low : channel.drive.high;
    if (output && active) {
      colours = static_cast<uint8_t>(colours | channel.colour);
    }
  }
  return colours;
}

}  // namespace simlamp
