// The input method from fcitx5, or from IBus where fcitx5 is not running.
#include <systemd/sd-bus.h>

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/posix/desktop/ibus_engine.h"
#include "platform/posix/desktop/ime_answers.h"
#include "platform/posix/desktop/lasting_bus.h"
#include "platform/source_replies.h"

namespace platform {
namespace {

constexpr std::string_view kFcitx = "fcitx5";
constexpr std::string_view kIbus = "IBus";

ImeReading ReadingOf(const std::optional<ImeStatus>& status) {
  if (!status) return {};
  return {.query = ImeQuery::Answered, .status = *status};
}

ImeQuery QueryFor(Reply reply) {
  switch (reply) {
    case Reply::TimedOut:
      return ImeQuery::TimedOut;
    case Reply::Refused:
      return ImeQuery::Refused;
    default:
      return ImeQuery::Failed;
  }
}

ImeReading IbusIme(SourceReplies* asked) {
  const std::optional<std::string> engine = desktop::IbusGlobalEngine();
  if (!engine) {
    Note(asked, kIbus, Reply::NotReachable);
    return {};
  }
  Note(asked, kIbus, Reply::Answered, *engine);
  return ReadingOf(desktop::ImeFromIbusEngine(*engine));
}

}  // namespace

ImeReading ForegroundIme(SourceReplies* asked) {
  constexpr desktop::Method kFcitxState{"org.fcitx.Fcitx5", "/controller",
                                        "org.fcitx.Fcitx.Controller1", "State"};
  desktop::CallError error;
  const desktop::Message reply = desktop::SessionBus().Call(kFcitxState, error);
  if (reply) {
    std::int32_t state = 0;
    if (sd_bus_message_read_basic(reply.get(), SD_BUS_TYPE_INT32, &state) < 0) {
      Note(asked, kFcitx, Reply::Failed);
      return {.query = ImeQuery::Failed, .status = {}};
    }
    Note(asked, kFcitx, Reply::Answered, [state] { return std::to_string(state); });
    return ReadingOf(desktop::ImeFromFcitxState(state));
  }
  const Reply fcitx = desktop::ReplyOf(error);
  Note(asked, kFcitx, fcitx, error.Name());
  // fcitx5 is running but did not answer: unknown this cycle. IBus is asked
  // only where fcitx5 is absent, for fcitx5 may answer at IBus's address too.
  if (fcitx != Reply::NotReachable) return {.query = QueryFor(fcitx), .status = {}};
  return IbusIme(asked);
}

}  // namespace platform
