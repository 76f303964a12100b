#include "platform/write_gate.h"

#include "platform/platform.h"

namespace platform {

WriteGate& Gate() {
  // Never destroyed: a parked thread still holds it when the process ends.
  static auto* gate = new WriteGate;
  return *gate;
}

void ClaimEnd() { Gate().Claim(); }

}  // namespace platform
