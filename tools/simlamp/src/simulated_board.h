#ifndef SIMLAMP_SIMULATED_BOARD_H
#define SIMLAMP_SIMULATED_BOARD_H

#include <sim_avr.h>

#include <cstdint>
#include <string>

namespace simlamp {

// An Uno's ATmega328P at 16 MHz running one firmware image. Its clock counts cycles
// since power-on and keeps counting through resets and the time the board is held
// in reset, so the lamp's timeline has a single time axis.
class SimulatedBoard {
 public:
  static constexpr uint32_t kFrequency = 16'000'000;

  // Throws std::runtime_error when the ELF file cannot be loaded.
  explicit SimulatedBoard(const std::string& elfPath);
  ~SimulatedBoard();
  SimulatedBoard(const SimulatedBoard&) = delete;
  SimulatedBoard& operator=(const SimulatedBoard&) = delete;

  avr_t* Avr() { return avr_; }
  uint64_t Now() const { return cyclesBeforeReset_ + avr_->cycle; }
  static double Seconds(uint64_t cycles) { return static_cast<double>(cycles) / kFrequency; }

  void Reset();
  // Lets time pass without running the core, as while the reset line is held.
  void HoldUntil(uint64_t cycle);
  // Runs the firmware up to the given cycle; throws std::runtime_error if it stops.
  void RunUntil(uint64_t cycle);

 private:
  avr_t* avr_;
  uint64_t cyclesBeforeReset_ = 0;
};

}  // namespace simlamp

#endif
