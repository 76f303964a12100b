#ifndef SIMLAMP_STOP_SIGNALS_H
#define SIMLAMP_STOP_SIGNALS_H

#include "file_descriptor.h"

namespace simlamp {

// SIGINT, SIGTERM and SIGHUP become a flag the simulation loop checks, so it can end
// cleanly instead of dying inside simavr.
class StopSignals {
 public:
  StopSignals();

  bool Raised() const;

 private:
  FileDescriptor fd_;
};

}  // namespace simlamp

#endif
