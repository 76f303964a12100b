#include "simulation.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

namespace simlamp {

namespace {

// Granularity of port service and pacing: one millisecond of simulated time.
constexpr uint64_t kSliceCycles = SimulatedBoard::kFrequency / 1000;

// An Uno's bootloader waits about a second after reset before it starts the sketch;
// the host program uses that time to open and purge the port.
constexpr uint64_t kBootloaderCycles = SimulatedBoard::kFrequency;

// Reading stops while this much input waits for the UART, so a fast writer is held
// back by the pty's own buffer instead of filling memory.
constexpr std::size_t kMaxWaitingInput = 1024;

// Output the host does not read is kept up to this size, then dropped like a full
// USB-serial buffer would.
constexpr std::size_t kMaxPendingOutput = 4096;

constexpr std::size_t kMaxTracedLine = 64;

// Pin changes closer together than this (10 us) make one timeline entry.
constexpr uint64_t kSameMomentCycles = SimulatedBoard::kFrequency / 100'000;

std::string hex_byte(uint8_t byte) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  return {kDigits[byte >> 4U], kDigits[byte & 0x0FU]};
}

std::string describe_byte(uint8_t byte) {
  if (byte > ' ' && byte < 0x7F && byte != '\'') {
    return {'\'', static_cast<char>(byte), '\''};
  }
  return "0x" + hex_byte(byte);
}

void append_escaped(std::string& line, uint8_t byte) {
  if (byte == '\r') {
    line += "\\r";
  } else if (byte == '\n') {
    line += "\\n";
  } else if (byte == '"' || byte == '\\') {
    line += '\\';
    line += static_cast<char>(byte);
  } else if (byte < ' ' || byte >= 0x7F) {
    line += "\\x" + hex_byte(byte);
  } else {
    line += static_cast<char>(byte);
  }
}

}  // namespace

Simulation::Simulation(const Options& options)
    : options_(options),
      board_(options.firmware),
      timeline_(stdout, isatty(STDOUT_FILENO) != 0),
      pacer_(SimulatedBoard::kFrequency),
      uart_(
          board_.avr(), [this](uint8_t byte) { on_fed(byte); },
          [this](uint8_t byte) { on_sent(byte); }),
      // Before the first instruction no pin is an output: the lamp is dark.
      changes_(kSameMomentCycles, 0),
      leds_(board_.avr(), options.common_anode,
            [this](uint8_t colours) { report(changes_.on_change(board_.now(), colours)); }) {}

void Simulation::run() {
  report_event("power-on");
  timeline_.colours(seconds(), leds_.colours());
  pacer_.anchor(board_.now());
  const uint64_t end =
      options_.duration_seconds
          ? static_cast<uint64_t>(*options_.duration_seconds * SimulatedBoard::kFrequency)
          : std::numeric_limits<uint64_t>::max();
  while (board_.now() < end && !stop_signals_.raised()) {
    service_port();
    advance_one_slice();
    report(changes_.on_time(board_.now()));
  }
  report_event("stop");
}

void Simulation::watch_port() {
  const bool open = port_.peer_present();
  if (open == port_open_) {
    return;
  }
  port_open_ = open;
  if (open) {
    on_port_opened();
  } else {
    report_event("port-closed");
    to_host_.clear();
  }
}

void Simulation::on_port_opened() {
  report_event("port-opened reset");
  board_.reset();
  uart_.reset();
  leds_.refresh();
  to_host_.clear();
  sent_line_.clear();
  held_until_ = board_.now() + kBootloaderCycles;
  pacer_.anchor(board_.now());
}

void Simulation::service_port() {
  std::array<uint8_t, 256> buffer{};
  const std::size_t count =
      uart_.waiting() < kMaxWaitingInput ? port_.read_some(buffer) : std::size_t{0};
  // Checked after the read: bytes a host wrote right after opening must not reach the
  // firmware that ran before the reset.
  watch_port();
  if (held_until_) {
    // Held in reset: these go to the bootloader, which drops them.
    if (count > 0 && options_.trace_uart) {
      report_event("dropped " + std::to_string(count) + " bytes during reset");
    }
  } else {
    uart_.accept(std::span<const uint8_t>(buffer.data(), count));
  }
  if (port_open_ && !to_host_.empty()) {
    const std::size_t written = port_.write_some(to_host_);
    to_host_.erase(to_host_.begin(), to_host_.begin() + static_cast<std::ptrdiff_t>(written));
  }
}

void Simulation::advance_one_slice() {
  const uint64_t slice_end = board_.now() + kSliceCycles;
  if (held_until_) {
    board_.hold_until(std::min(slice_end, *held_until_));
    if (board_.now() >= *held_until_) {
      held_until_.reset();
      report_event("firmware-start");
    }
    // The hold is for the host's sake, so it lasts in wall-clock time in either mode.
    pacer_.wait_for(board_.now());
    return;
  }
  uart_.feed();
  board_.run_until(slice_end);
  if (options_.realtime) {
    pacer_.wait_for(board_.now());
  }
}

void Simulation::report(std::optional<ColourChange> change) {
  if (change) {
    timeline_.colours(SimulatedBoard::seconds(change->cycle), change->colours);
  }
}

void Simulation::report_event(std::string_view text) {
  report(changes_.flush());
  timeline_.event(seconds(), text);
}

void Simulation::on_fed(uint8_t byte) {
  if (options_.trace_uart) {
    report_event("rx " + describe_byte(byte));
  }
}

void Simulation::on_sent(uint8_t byte) {
  if (port_open_ && to_host_.size() < kMaxPendingOutput) {
    to_host_.push_back(byte);
  }
  if (!options_.trace_uart) {
    return;
  }
  append_escaped(sent_line_, byte);
  if (byte == '\n' || sent_line_.size() >= kMaxTracedLine) {
    report_event("tx \"" + sent_line_ + "\"");
    sent_line_.clear();
  }
}

}  // namespace simlamp
