#include "platform/linux/desktop/lasting_bus.h"

#include <cstdint>
#include <string_view>

#include "platform/linux/cycle_budget.h"

namespace platform::desktop {
namespace {

// Deals with whatever arrived unasked (a late reply, a call to us), so the
// queue does not grow over the program's life.
void DropUnasked(sd_bus* bus) {
  while (sd_bus_process(bus, nullptr) > 0) {
  }
}

Message NewCall(sd_bus* bus, const Method& method,
                std::initializer_list<const char*> stringArguments) {
  sd_bus_message* raw = nullptr;
  if (sd_bus_message_new_method_call(bus, &raw, method.service, method.path, method.interface,
                                     method.member) < 0) {
    return nullptr;
  }
  Message call(raw);
  if (sd_bus_message_set_auto_start(raw, 0) < 0) return nullptr;
  for (const char* argument : stringArguments) {
    if (sd_bus_message_append_basic(raw, SD_BUS_TYPE_STRING, argument) < 0) return nullptr;
  }
  return call;
}

}  // namespace

bool CallError::ServiceAbsent() const {
  return sd_bus_error_has_names(&error_, SD_BUS_ERROR_SERVICE_UNKNOWN,
                                SD_BUS_ERROR_NAME_HAS_NO_OWNER) != 0;
}

Reply ReplyOf(const CallError& error) {
  if (!error.IsSet() || error.ServiceAbsent()) return Reply::NotReachable;
  const std::string_view name = error.Name();
  if (name == SD_BUS_ERROR_TIMEOUT || name == SD_BUS_ERROR_NO_REPLY) return Reply::TimedOut;
  if (name == SD_BUS_ERROR_ACCESS_DENIED) return Reply::Refused;
  return Reply::Failed;
}

bool LastingBus::Connected() {
  if (bus_ != nullptr && sd_bus_is_open(bus_) > 0) return true;
  bus_ = sd_bus_unref(bus_);
  return connect_(&bus_) >= 0;
}

Message LastingBus::Call(const Method& method, CallError& error,
                         std::initializer_list<const char*> stringArguments) {
  // A cycle that has used its allowance asks no more: no answer this time.
  const std::uint64_t leftUs = linux_os::ThreadCycleBudget().LeftUs(linux_os::MonotonicUs());
  if (leftUs == 0 || !Connected()) return nullptr;
  DropUnasked(bus_);
  Message call = NewCall(bus_, method, stringArguments);
  if (!call) return nullptr;
  sd_bus_message* reply = nullptr;
  if (sd_bus_call(bus_, call.get(), leftUs, error.Get(), &reply) < 0) return nullptr;
  return Message(reply);
}

bool AnswersTrue(LastingBus& bus, const Method& method) {
  CallError error;
  const Message reply = bus.Call(method, error);
  int answer = 0;
  return reply && sd_bus_message_read_basic(reply.get(), SD_BUS_TYPE_BOOLEAN, &answer) >= 0 &&
         answer != 0;
}

LastingBus& SessionBus() {
  // Never destroyed: the process's end takes the connection down with it.
  static auto* const bus = new LastingBus(sd_bus_open_user);
  return *bus;
}

}  // namespace platform::desktop
