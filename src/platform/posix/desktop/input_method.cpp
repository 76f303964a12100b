// The input method from fcitx5, or from IBus where fcitx5 is not running.
#include <systemd/sd-bus.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/posix/desktop/ibus_engine.h"
#include "platform/posix/desktop/ime_answers.h"
#include "platform/posix/desktop/lasting_bus.h"

namespace platform {
namespace {

ImeReading ReadingOf(const std::optional<ImeStatus>& status) {
  if (!status) return {};
  return {.query = ImeQuery::Answered, .status = *status};
}

}  // namespace

ImeReading ForegroundIme() {
  constexpr desktop::Method kFcitxState{"org.fcitx.Fcitx5", "/controller",
                                        "org.fcitx.Fcitx.Controller1", "State"};
  desktop::CallError error;
  const desktop::Message reply = desktop::SessionBus().Call(kFcitxState, error);
  if (reply) {
    std::int32_t state = 0;
    if (sd_bus_message_read_basic(reply.get(), SD_BUS_TYPE_INT32, &state) < 0) {
      return {.query = ImeQuery::Failed, .status = {}};
    }
    return ReadingOf(desktop::ImeFromFcitxState(state));
  }
  // fcitx5 is running but did not answer: unknown this cycle. IBus is asked
  // only where fcitx5 is absent, for fcitx5 may answer at IBus's address too.
  if (error.IsSet() && !error.ServiceAbsent()) return {.query = ImeQuery::Failed, .status = {}};
  const std::optional<std::string> engine = desktop::IbusGlobalEngine();
  if (!engine) return {};
  return ReadingOf(desktop::ImeFromIbusEngine(*engine));
}

}  // namespace platform
