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

std::string HexByte(uint8_t byte) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  return {kDigits[byte >> 4U], kDigits[byte & 0x0FU]};
}

std::string DescribeByte(uint8_t byte) {
  if (byte > ' ' && byte < 0x7F && byte != '\'') {
    return {'\'', static_cast<char>(byte), '\''};
  }
  return "0x" + HexByte(byte);
}

void AppendEscaped(std::string& line, uint8_t byte) {
  if (byte == '\r') {
    line += "\\r";
  } else if (byte == '\n') {
    line += "\\n";
  } else if (byte == '"' || byte == '\\') {
    line += '\\';
    line += static_cast<char>(byte);
  } else if (byte < ' ' || byte >= 0x7F) {
    line += "\\x" + HexByte(byte);
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
          board_.Avr(), [this](uint8_t byte) { OnFed(byte); },
          [this](uint8_t byte) { OnSent(byte); }),
      // Before the first instruction no pin is an output: the lamp is dark.
      changes_(kSameMomentCycles, 0),
      leds_(board_.Avr(), options.commonAnode,
            [this](uint8_t colours) { Report(changes_.OnChange(board_.Now(), colours)); }) {}

void Simulation::Run() {
  ReportEvent("power-on");
  timeline_.Colours(Seconds(), leds_.Colours());
  pacer_.Anchor(board_.Now());
  const uint64_t end =
      options_.durationSeconds
          ? static_cast<uint64_t>(*options_.durationSeconds * SimulatedBoard::kFrequency)
          : std::numeric_limits<uint64_t>::max();
  while (board_.Now() < end && !stopSignals_.Raised()) {
    ServicePort();
    AdvanceOneSlice();
    Report(changes_.OnTime(board_.Now()));
  }
  ReportEvent("stop");
}

void Simulation::WatchPort() {
  const bool open = port_.PeerPresent();
  if (open == portOpen_) {
    return;
  }
  portOpen_ = open;
  if (open) {
    OnPortOpened();
  } else {
    ReportEvent("port-closed");
    toHost_.clear();
  }
}

void Simulation::OnPortOpened() {
  ReportEvent("port-opened reset");
  board_.Reset();
  uart_.Reset();
  leds_.Refresh();
  toHost_.clear();
  sentLine_.clear();
  heldUntil_ = board_.Now() + kBootloaderCycles;
  pacer_.Anchor(board_.Now());
}

void Simulation::ServicePort() {
  std::array<uint8_t, 256> buffer{};
  const std::size_t count =
      uart_.Waiting() < kMaxWaitingInput ? port_.ReadSome(buffer) : std::size_t{0};
  // Checked after the read: bytes a host wrote right after opening must not reach the
  // firmware that ran before the reset.
  WatchPort();
  if (heldUntil_) {
    // Held in reset: these go to the bootloader, which drops them.
    if (count > 0 && options_.traceUart) {
      ReportEvent("dropped " + std::to_string(count) + " bytes during reset");
    }
  } else {
    uart_.Accept(std::span<const uint8_t>(buffer.data(), count));
  }
  if (portOpen_ && !toHost_.empty()) {
    const std::size_t written = port_.WriteSome(toHost_);
    toHost_.erase(toHost_.begin(), toHost_.begin() + static_cast<std::ptrdiff_t>(written));
  }
}

void Simulation::AdvanceOneSlice() {
  const uint64_t sliceEnd = board_.Now() + kSliceCycles;
  if (heldUntil_) {
    board_.HoldUntil(std::min(sliceEnd, *heldUntil_));
    if (board_.Now() >= *heldUntil_) {
      heldUntil_.reset();
      ReportEvent("firmware-start");
    }
    // The hold is for the host's sake, so it lasts in wall-clock time in either mode.
    pacer_.WaitFor(board_.Now());
    return;
  }
  uart_.Feed();
  board_.RunUntil(sliceEnd);
  if (options_.realtime) {
    pacer_.WaitFor(board_.Now());
  }
}

void Simulation::Report(std::optional<ColourChange> change) {
  if (change) {
    timeline_.Colours(SimulatedBoard::Seconds(change->cycle), change->colours);
  }
}

void Simulation::ReportEvent(std::string_view text) {
  Report(changes_.Flush());
  timeline_.Event(Seconds(), text);
}

void Simulation::OnFed(uint8_t byte) {
  if (options_.traceUart) {
    ReportEvent("rx " + DescribeByte(byte));
  }
}

void Simulation::OnSent(uint8_t byte) {
  if (portOpen_ && toHost_.size() < kMaxPendingOutput) {
    toHost_.push_back(byte);
  }
  if (!options_.traceUart) {
    return;
  }
  AppendEscaped(sentLine_, byte);
  if (byte == '\n' || sentLine_.size() >= kMaxTracedLine) {
    ReportEvent("tx \"" + sentLine_ + "\"");
    sentLine_.clear();
  }
}

}  // namespace simlamp
