#ifndef SIMLAMP_STOP_SIGNALS_H
#define SIMLAMP_STOP_SIGNALS_H

namespace simlamp {

// SIGINT, SIGTERM and SIGHUP become a flag the simulation loop checks, so it can end
// cleanly instead of dying inside simavr.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool Raised() const;

 private:
  int fd_;
};

}  // namespace simlamp

#endif
