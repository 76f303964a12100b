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

  const std::string& port_path() const { return port_.slave_path(); }

  // Runs until the duration is over or a stop signal arrives.
  void run();

 private:
  void service_port();
  void watch_port();
  void on_port_opened();
  void advance_one_slice();
  void on_fed(uint8_t byte);
  void on_sent(uint8_t byte);
  void report(std::optional<ColourChange> change);
  void report_event(std::string_view text);
  double seconds() const { return SimulatedBoard::seconds(board_.now()); }

  Options options_;
  StopSignals stop_signals_;
  SimulatedBoard board_;
  PseudoTerminal port_;
  Timeline timeline_;
  Pacer pacer_;
  UartBridge uart_;
  ChangeMerger changes_;
  LedWatch leds_;

  bool port_open_ = false;
  std::optional<uint64_t> held_until_;
  std::vector<uint8_t> to_host_;
  std::string sent_line_;
};

}  // namespace simlamp

#endif
