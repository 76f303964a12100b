#ifndef SIMLAMP_SIMULATION_H
#define SIMLAMP_SIMULATION_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "change_merger.h"
#include "led_watch.h"
#include "options.h"
#include "pacer.h"
#include "pseudo_terminal.h"
#include "simulated_board.h"
#include "stop_signals.h"
#include "timeline.h"
#include "uart_bridge.h"

namespace simlamp {

// The simulated lamp: the board, its serial port on a pseudo-terminal, and the
// timeline of its LED. Opening the port resets the board, as DTR does on an Uno.
class Simulation {
 public:
  explicit Simulation(const Options& options);

  const std::string& PortPath() const { return port_.SlavePath(); }

  // Runs until the duration is over or a stop signal arrives.
  void Run();

 private:
  void ServicePort();
  void WatchPort();
  void OnPortOpened();
  void AdvanceOneSlice();
  void OnFed(uint8_t byte);
  void OnSent(uint8_t byte);
  void Report(std::optional<ColourChange> change);
  void ReportEvent(std::string_view text);
  double Seconds() const { return SimulatedBoard::Seconds(board_.Now()); }

  Options options_;
  StopSignals stopSignals_;
  SimulatedBoard board_;
  PseudoTerminal port_;
  Timeline timeline_;
  Pacer pacer_;
  UartBridge uart_;
  ChangeMerger changes_;
  LedWatch leds_;

  bool portOpen_ = false;
  std::optional<uint64_t> heldUntil_;
  std::vector<uint8_t> toHost_;
  std::string sentLine_;
};

}  // namespace simlamp

#endif
