#include "pwm_pin_model.h"

namespace simlamp {

namespace {

constexpr uint8_t kClockSelectMask = 0x07;
constexpr uint8_t kCompareDisconnected = 0;
constexpr uint8_t kCompareToggle = 1;
constexpr uint8_t kCompareNonInverting = 2;

PinDrive port_drive(bool port_high, bool modelled) { return {port_high, !port_high, modelled}; }

}  // namespace

// ATmega328P datasheet, table 15-5: WGM13:0 from TCCR1B bits 4:3 and TCCR1A bits 1:0.
Waveform timer1_waveform(uint8_t tccr1a, uint8_t tccr1b) {
  if ((tccr1b & kClockSelectMask) == 0) {
    return {WaveShape::kStopped, 0};
  }
  const auto mode = static_cast<uint8_t>(((tccr1b >> 1) & 0x0C) | (tccr1a & 0x03));
  switch (mode) {
    case 1:
      return {WaveShape::kPhaseCorrect, 0x00FF};
    case 2:
      return {WaveShape::kPhaseCorrect, 0x01FF};
    case 3:
      return {WaveShape::kPhaseCorrect, 0x03FF};
    case 5:
      return {WaveShape::kFastPwm, 0x00FF};
    case 6:
      return {WaveShape::kFastPwm, 0x01FF};
    case 7:
      return {WaveShape::kFastPwm, 0x03FF};
    default:
      return {WaveShape::kOther, 0};
  }
}

// Table 18-8: WGM22 is TCCR2B bit 3, WGM21:0 are TCCR2A bits 1:0.
Waveform timer2_waveform(uint8_t tccr2a, uint8_t tccr2b) {
  if ((tccr2b & kClockSelectMask) == 0) {
    return {WaveShape::kStopped, 0};
  }
  const auto mode = static_cast<uint8_t>(((tccr2b >> 1) & 0x04) | (tccr2a & 0x03));
  switch (mode) {
    case 1:
      return {WaveShape::kPhaseCorrect, 0x00FF};
    case 3:
      return {WaveShape::kFastPwm, 0x00FF};
    default:
      return {WaveShape::kOther, 0};
  }
}

PinDrive compare_pin_drive(Waveform waveform, uint8_t compare_mode, uint16_t ocr, bool port_high) {
  const auto mode = static_cast<uint8_t>(compare_mode & 0x03);
  if (mode == kCompareDisconnected) {
    return port_drive(port_high, true);
  }
  const bool fixed_top =
      waveform.shape == WaveShape::kFastPwm || waveform.shape == WaveShape::kPhaseCorrect;
  if (!fixed_top) {
    return port_drive(port_high, false);
  }
  // In the fixed-TOP PWM modes the toggle setting leaves the pin to PORT.
  if (mode == kCompareToggle) {
    return port_drive(port_high, true);
  }
  const bool inverting = mode != kCompareNonInverting;
  // A compare value at or above TOP never clears what BOTTOM set: the pin holds one level.
  const bool holds_start_level = ocr >= waveform.top;
  bool high = true;
  bool low = !holds_start_level;
  if (waveform.shape == WaveShape::kPhaseCorrect) {
    // Here OCR 0 never lets the pin rise at all.
    high = ocr != 0;
  }
  if (inverting) {
    return {low, high, true};
  }
  return {high, low, true};
}

}  // namespace simlamp
