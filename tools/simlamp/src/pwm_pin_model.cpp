#include "pwm_pin_model.h"

#include <span>

namespace simlamp {

namespace {

constexpr uint8_t kClockSelectMask = 0x07;

// A waveform generation mode, by its WGM number, in which the compare outputs run with
// a fixed TOP.
struct Mode {
  uint8_t wgm;
  Waveform waveform;
};

// Timer 1: ATmega328P datasheet, table 15-5.
constexpr Mode kTimer1Modes[] = {
    {1, {WaveShape::PhaseCorrect, 0x00FF}}, {2, {WaveShape::PhaseCorrect, 0x01FF}},
    {3, {WaveShape::PhaseCorrect, 0x03FF}}, {5, {WaveShape::FastPwm, 0x00FF}},
    {6, {WaveShape::FastPwm, 0x01FF}},      {7, {WaveShape::FastPwm, 0x03FF}},
};

// Timer 2: table 18-8.
constexpr Mode kTimer2Modes[] = {
    {1, {WaveShape::PhaseCorrect, 0x00FF}},
    {3, {WaveShape::FastPwm, 0x00FF}},
};

// Without a clock the mode does not matter; the modes that the table leaves out are
// not modelled.
Waveform WaveformOf(uint8_t clockSelect, uint8_t wgm, std::span<const Mode> modes) {
  if ((clockSelect & kClockSelectMask) == 0) {
    return {WaveShape::Stopped, 0};
  }
  for (const Mode& mode : modes) {
    if (mode.wgm == wgm) {
      return mode.waveform;
    }
  }
  return {WaveShape::Other, 0};
}

PinDrive PortDrive(bool portHigh, bool modelled) { return {portHigh, !portHigh, modelled}; }

}  // namespace

// WGM13:0 from TCCR1B bits 4:3 and TCCR1A bits 1:0.
Waveform Timer1Waveform(uint8_t tccr1a, uint8_t tccr1b) {
  const auto wgm = static_cast<uint8_t>(((tccr1b >> 1) & 0x0C) | (tccr1a & 0x03));
  return WaveformOf(tccr1b, wgm, kTimer1Modes);
}

// WGM22 is TCCR2B bit 3, WGM21:0 are TCCR2A bits 1:0.
Waveform Timer2Waveform(uint8_t tccr2a, uint8_t tccr2b) {
  const auto wgm = static_cast<uint8_t>(((tccr2b >> 1) & 0x04) | (tccr2a & 0x03));
  return WaveformOf(tccr2b, wgm, kTimer2Modes);
}

PinDrive ComparePinDrive(Waveform waveform, uint8_t compareMode, uint16_t ocr, bool portHigh) {
  const auto mode = static_cast<uint8_t>(compareMode & 0x03);
  if (mode == CompareDisconnected) {
    return PortDrive(portHigh, true);
  }
  const bool fixedTop =
      waveform.shape == WaveShape::FastPwm || waveform.shape == WaveShape::PhaseCorrect;
  if (!fixedTop) {
    return PortDrive(portHigh, false);
  }
  // In the fixed-TOP PWM modes the toggle setting leaves the pin to PORT.
  if (mode == CompareToggle) {
    return PortDrive(portHigh, true);
  }
  const bool inverting = mode != CompareNonInverting;
  // A compare value at or above TOP never clears what BOTTOM set: the pin holds one level.
  const bool holdsStartLevel = ocr >= waveform.top;
  bool high = true;
  bool low = !holdsStartLevel;
  if (waveform.shape == WaveShape::PhaseCorrect) {
    // Here OCR 0 never lets the pin rise at all.
    high = ocr != 0;
  }
  if (inverting) {
    return {low, high, true};
  }
  return {high, low, true};
}

}  // namespace simlamp
