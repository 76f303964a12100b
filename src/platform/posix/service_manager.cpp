// Whether systemd started the program: it sets INVOCATION_ID for each unit
// it runs.
#include <cstdlib>

#include "platform/platform.h"

namespace platform {

bool StartedAsService() {
  const char* id = std::getenv("INVOCATION_ID");
  return id != nullptr && *id != '\0';
}

}  // namespace platform
