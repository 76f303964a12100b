#include "pwm_pin_model.h"

namespace simlamp {

namespace {

constexpr uint8_t kClockSelectMask = 0x07;
constexpr uint8_t kCompareDisconnected = 0;
constexpr uint8_t kCompareToggle = 1;
constexpr uint8_t kCompareNonInverting = 2;

PinDrive PortDrive(bool portHigh, bool modelled) { return {portHigh, !portHigh, modelled}; }

}  // namespace

// ATmega328P datasheet, table 15-5: WGM13:0 from TCCR1B bits 4:3 and TCCR1A bits 1:0.
Waveform Timer1Waveform(uint8_t tccr1a, uint8_t tccr1b) {
  if ((tccr1b & kClockSelectMask) == 0) {
    return {WaveShape::Stopped, 0};
  }
  const auto mode = static_cast<uint8_t>(((tccr1b >> 1) & 0x0C) | (tccr1a & 0x03));
  switch (mode) {
    case 1:
      return {WaveShape::PhaseCorrect, 0x00FF};
    case 2:
      return {WaveShape::PhaseCorrect, 0x01FF};
    case 3:
      return {WaveShape::PhaseCorrect, 0x03FF};
    case 5:
      return {WaveShape::FastPwm, 0x00FF};
    case 6:
      return {WaveShape::FastPwm, 0x01FF};
    case 7:
      return {WaveShape::FastPwm, 0x03FF};
    default:
      return {WaveShape::Other, 0};
  }
}

// Table 18-8: WGM22 is TCCR2B bit 3, WGM21:0 are TCCR2A bits 1:0.
Waveform Timer2Waveform(uint8_t tccr2a, uint8_t tccr2b) {
  if ((tccr2b & kClockSelectMask) == 0) {
    return {WaveShape::Stopped, 0};
  }
  const auto mode = static_cast<uint8_t>(((tccr2b >> 1) & 0x04) | (tccr2a & 0x03));
  switch (mode) {
    case 1:
      return {WaveShape::PhaseCorrect, 0x00FF};
    case 3:
      return {WaveShape::FastPwm, 0x00FF};
    default:
      return {WaveShape::Other, 0};
  }
}

PinDrive ComparePinDrive(Waveform waveform, uint8_t compareMode, uint16_t ocr, bool portHigh) {
  const auto mode = static_cast<uint8_t>(compareMode & 0x03);
  if (mode == kCompareDisconnected) {
    return PortDrive(portHigh, true);
  }
  const bool fixedTop =
      waveform.shape == WaveShape::FastPwm || waveform.shape == WaveShape::PhaseCorrect;
  if (!fixedTop) {
    return PortDrive(portHigh, false);
  }
  // In the fixed-TOP PWM modes the toggle setting leaves the pin to PORT.
  if (mode == kCompareToggle) {
    return PortDrive(portHigh, true);
  }
  const bool inverting = mode != kCompareNonInverting;
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
