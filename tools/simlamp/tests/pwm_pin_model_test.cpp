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

constexpr uint8_t kDisconnected = 0;
constexpr uint8_t kToggle = 1;
constexpr uint8_t kNonInverting = 2;
constexpr uint8_t kInverting = 3;

constexpr Waveform kFast8{WaveShape::FastPwm, 0xFF};
constexpr Waveform kPhaseCorrect8{WaveShape::PhaseCorrect, 0xFF};

void ExpectDrive(PinDrive drive, bool high, bool low) {
  EXPECT_EQ(drive.high, high);
  EXPECT_EQ(drive.low, low);
  EXPECT_TRUE(drive.modelled);
}

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

TEST(ComparePinDrive, DisconnectedFollowsPort) {
  ExpectDrive(ComparePinDrive(kFast8, kDisconnected, 128, true), true, false);
  ExpectDrive(ComparePinDrive(kFast8, kDisconnected, 128, false), false, true);
  // Even a stopped timer leaves a disconnected pin to PORT.
  ExpectDrive(ComparePinDrive(Waveform{}, kDisconnected, 0, true), true, false);
}

TEST(ComparePinDrive, ToggleSettingInFixedTopPwmLeavesPinToPort) {
  ExpectDrive(ComparePinDrive(kFast8, kToggle, 10, false), false, true);
  ExpectDrive(ComparePinDrive(kPhaseCorrect8, kToggle, 10, true), true, false);
}

TEST(ComparePinDrive, FastPwmNonInverting) {
  ExpectDrive(ComparePinDrive(kFast8, kNonInverting, 128, false), true, true);
  // OCR 0 still gives a one-count spike each period.
  ExpectDrive(ComparePinDrive(kFast8, kNonInverting, 0, false), true, true);
  // OCR at TOP, or past it on a 16-bit register, never clears the pin.
  ExpectDrive(ComparePinDrive(kFast8, kNonInverting, 0xFF, false), true, false);
  ExpectDrive(ComparePinDrive(kFast8, kNonInverting, 0x1234, false), true, false);
  ExpectDrive(ComparePinDrive(kFast8, kNonInverting, 0xFE, false), true, true);
}

TEST(ComparePinDrive, FastPwmInverting) {
  ExpectDrive(ComparePinDrive(kFast8, kInverting, 0, true), true, true);
  ExpectDrive(ComparePinDrive(kFast8, kInverting, 0xFF, true), false, true);
}

TEST(ComparePinDrive, PhaseCorrectNonInverting) {
  ExpectDrive(ComparePinDrive(kPhaseCorrect8, kNonInverting, 0, true), false, true);
  ExpectDrive(ComparePinDrive(kPhaseCorrect8, kNonInverting, 1, true), true, true);
  ExpectDrive(ComparePinDrive(kPhaseCorrect8, kNonInverting, 0xFF, true), true, false);
}

TEST(ComparePinDrive, PhaseCorrectInverting) {
  ExpectDrive(ComparePinDrive(kPhaseCorrect8, kInverting, 0, false), true, false);
  ExpectDrive(ComparePinDrive(kPhaseCorrect8, kInverting, 0xFF, false), false, true);
}

TEST(ComparePinDrive, ConnectedOutputOfUnmodelledTimerIsFlagged) {
  const PinDrive stopped = ComparePinDrive(Waveform{}, kNonInverting, 10, true);
  EXPECT_FALSE(stopped.modelled);
  EXPECT_TRUE(stopped.high);
  const PinDrive ctc = ComparePinDrive(Waveform{WaveShape::Other, 0}, kToggle, 10, false);
  EXPECT_FALSE(ctc.modelled);
  EXPECT_TRUE(ctc.low);
}

}  // namespace
}  // namespace simlamp
