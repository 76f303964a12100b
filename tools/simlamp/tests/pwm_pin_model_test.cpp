#include "pwm_pin_model.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace simlamp {
namespace {

// Register values the way an Uno sketch sets them (ATmega328P datasheet bit positions).
constexpr uint8_t kWgm10 = 1U << 0U;
constexpr uint8_t kWgm11 = 1U << 1U;
constexpr uint8_t kWgm12 = 1U << 3U;
constexpr uint8_t kWgm13 = 1U << 4U;
constexpr uint8_t kWgm20 = 1U << 0U;
constexpr uint8_t kWgm21 = 1U << 1U;
constexpr uint8_t kWgm22 = 1U << 3U;
constexpr uint8_t kClockDiv64 = 0x03;
constexpr uint8_t kTimer2ClockDiv64 = 0x04;

constexpr Waveform kFast8{WaveShape::FastPwm, 0xFF};
constexpr Waveform kPhaseCorrect8{WaveShape::PhaseCorrect, 0xFF};

TEST(TimerWaveform, Timer1ModesByWgmBits) {
  const auto shapeOf = [](uint8_t a, uint8_t b) { return Timer1Waveform(a, b); };
  const Waveform fast8 = shapeOf(kWgm10, kWgm12 | kClockDiv64);
  EXPECT_EQ(fast8.shape, WaveShape::FastPwm);
  EXPECT_EQ(fast8.top, 0xFF);
  const Waveform fast10 = shapeOf(kWgm10 | kWgm11, kWgm12 | kClockDiv64);
  EXPECT_EQ(fast10.shape, WaveShape::FastPwm);
  EXPECT_EQ(fast10.top, 0x3FF);
  const Waveform phase9 = shapeOf(kWgm11, kClockDiv64);
  EXPECT_EQ(phase9.shape, WaveShape::PhaseCorrect);
  EXPECT_EQ(phase9.top, 0x1FF);
  EXPECT_EQ(shapeOf(0, kClockDiv64).shape, WaveShape::Other);
  EXPECT_EQ(shapeOf(kWgm11, kWgm12 | kWgm13 | kClockDiv64).shape, WaveShape::Other);
}

TEST(TimerWaveform, StoppedWithoutClockWhateverTheMode) {
  EXPECT_EQ(Timer1Waveform(kWgm10, kWgm12).shape, WaveShape::Stopped);
  EXPECT_EQ(Timer2Waveform(kWgm20 | kWgm21, 0).shape, WaveShape::Stopped);
}

TEST(TimerWaveform, Timer2ModesByWgmBits) {
  const Waveform fast = Timer2Waveform(kWgm20 | kWgm21, kTimer2ClockDiv64);
  EXPECT_EQ(fast.shape, WaveShape::FastPwm);
  EXPECT_EQ(fast.top, 0xFF);
  EXPECT_EQ(Timer2Waveform(kWgm20, kTimer2ClockDiv64).shape, WaveShape::PhaseCorrect);
  // With WGM22 set TOP is OCR2A, which the model does not follow.
  EXPECT_EQ(Timer2Waveform(kWgm20 | kWgm21, kWgm22 | kTimer2ClockDiv64).shape, WaveShape::Other);
}

// One PWM period of a pin whose timer runs in a mode the model covers.
struct DriveCase {
  Waveform waveform;
  uint8_t compareMode;
  uint16_t ocr;
  bool portHigh;
  bool high;  // the levels the pin takes
  bool low;
  const char* note;
};

TEST(ComparePinDrive, LevelsInTheModelledModes) {
  const DriveCase cases[] = {
      {kFast8, CompareDisconnected, 128, true, true, false, "disconnected: PORT high"},
      {kFast8, CompareDisconnected, 128, false, false, true, "disconnected: PORT low"},
      {Waveform{}, CompareDisconnected, 0, true, true, false, "even with the timer stopped"},
      {kFast8, CompareToggle, 10, false, false, true, "toggle leaves it to PORT"},
      {kPhaseCorrect8, CompareToggle, 10, true, true, false, "toggle, phase correct"},
      {kFast8, CompareNonInverting, 128, false, true, true, "fast"},
      {kFast8, CompareNonInverting, 0, false, true, true, "OCR 0 still spikes"},
      {kFast8, CompareNonInverting, 0xFF, false, true, false, "OCR at TOP never clears"},
      {kFast8, CompareNonInverting, 0x1234, false, true, false, "nor past it, 16-bit"},
      {kFast8, CompareNonInverting, 0xFE, false, true, true, "just below TOP"},
      {kFast8, CompareInverting, 0, true, true, true, "fast inverting"},
      {kFast8, CompareInverting, 0xFF, true, false, true, "fast inverting, TOP"},
      {kPhaseCorrect8, CompareNonInverting, 0, true, false, true, "OCR 0 never rises"},
      {kPhaseCorrect8, CompareNonInverting, 1, true, true, true, "phase correct"},
      {kPhaseCorrect8, CompareNonInverting, 0xFF, true, true, false, "phase correct, TOP"},
      {kPhaseCorrect8, CompareInverting, 0, false, true, false, "phase inverting, 0"},
      {kPhaseCorrect8, CompareInverting, 0xFF, false, false, true, "phase inverting, TOP"},
  };
  for (const DriveCase& c : cases) {
    const PinDrive drive = ComparePinDrive(c.waveform, c.compareMode, c.ocr, c.portHigh);
    EXPECT_EQ(drive.high, c.high) << c.note;
    EXPECT_EQ(drive.low, c.low) << c.note;
    EXPECT_TRUE(drive.modelled) << c.note;
  }
}

TEST(ComparePinDrive, ConnectedOutputOfUnmodelledTimerIsFlagged) {
  const PinDrive stopped = ComparePinDrive(Waveform{}, CompareNonInverting, 10, true);
  EXPECT_FALSE(stopped.modelled);
  EXPECT_TRUE(stopped.high);
  const PinDrive ctc = ComparePinDrive(Waveform{WaveShape::Other, 0}, CompareToggle, 10, false);
  EXPECT_FALSE(ctc.modelled);
  EXPECT_TRUE(ctc.low);
}

}  // namespace
}  // namespace simlamp
