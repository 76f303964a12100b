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
  explicit SimulatedBoard(const std::string& elf_path);
  ~SimulatedBoard();
  SimulatedBoard(const SimulatedBoard&) = delete;
  SimulatedBoard& operator=(const SimulatedBoard&) = delete;

  avr_t* avr() { return avr_; }
  uint64_t now() const { return cycles_before_reset_ + avr_->cycle; }
  static double seconds(uint64_t cycles) { return static_cast<double>(cycles) / kFrequency; }

  void reset();
  // Lets time pass without running the core, as while the reset line is held.
  void hold_until(uint64_t cycle);
  // Runs the firmware up to the given cycle; throws std::runtime_error if it stops.
  void run_until(uint64_t cycle);

 private:
  avr_t* avr_;
  uint64_t cycles_before_reset_ = 0;
};

}  // namespace simlamp

#endif
