#include "simulated_board.h"

#include <sim_elf.h>

#include <array>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace simlamp {

namespace {

constexpr const char* kMcu = "atmega328p";

// simavr logs through one process-wide function; keep its words off stdout, which
// carries the lamp's timeline.
void LogToStderr(avr_t* avr, int level, const char* format, va_list arguments) {
  // Messages from before a board exists (the ELF loader) get the default threshold.
  const int threshold = avr != nullptr ? static_cast<int>(avr->log) : static_cast<int>(LOG_ERROR);
  if (level > threshold) {
    return;
  }
  // Nothing is left to tell if stderr itself fails.
  (void)std::fputs("simavr: ", stderr);
  (void)std::vfprintf(stderr, format, arguments);
}

// The board is paced by simlamp's own loop; simavr's default would usleep() here.
void SkipHostSleep(avr_t* /*avr*/, avr_cycle_count_t /*how_long*/) {}

avr_t* MakeBoard(const std::string& elfPath) {
  avr_global_logger_set(&LogToStderr);
  elf_firmware_t firmware{};
  if (elf_read_firmware(elfPath.c_str(), &firmware) != 0) {
    throw std::runtime_error("cannot load firmware " + elfPath);
  }
  avr_t* avr = avr_make_mcu_by_name(kMcu);
  if (avr == nullptr || avr_init(avr) != 0) {
    throw std::runtime_error("simavr cannot make an " + std::string(kMcu));
  }
  avr->log = LOG_ERROR;
  avr_load_firmware(avr, &firmware);
  std::free(firmware.flash);
  avr->frequency = SimulatedBoard::kFrequency;
  avr->sleep = &SkipHostSleep;
  return avr;
}

const char* StateName(int state) {
  switch (state) {
    case cpu_Done:
      return "stopped (sleep with interrupts off)";
    case cpu_Crashed:
      return "crashed";
    default:
      return "halted";
  }
}

}  // namespace

SimulatedBoard::SimulatedBoard(const std::string& elfPath) : avr_(MakeBoard(elfPath)) {}

SimulatedBoard::~SimulatedBoard() { avr_terminate(avr_); }

void SimulatedBoard::Reset() {
  // simavr restarts its cycle counter on reset; carry the elapsed time over.
  const uint64_t before = Now();
  avr_reset(avr_);
  cyclesBeforeReset_ = before - avr_->cycle;
}

void SimulatedBoard::HoldUntil(uint64_t cycle) {
  if (cycle > Now()) {
    cyclesBeforeReset_ += cycle - Now();
  }
}

void SimulatedBoard::RunUntil(uint64_t cycle) {
  while (Now() < cycle) {
    const int state = avr_run(avr_);
    if (state == cpu_Done || state == cpu_Crashed) {
      std::array<char, 16> pc{};
      const auto end = std::to_chars(pc.begin(), pc.end(), avr_->pc, 16).ptr;
      throw std::runtime_error(std::string("the firmware ") + StateName(state) + " at pc 0x" +
                               std::string(pc.begin(), end));
    }
  }
}

}  // namespace simlamp
