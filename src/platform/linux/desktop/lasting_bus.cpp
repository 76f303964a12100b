#include "platform/linux/desktop/lasting_bus.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/linux/cycle_budget.h"

namespace platform::desktop {
namespace {

// A call still unanswered after this long is given up, so that a service
// that dropped it (one that hung, then came back) is asked again.
constexpr std::uint64_t kCallGivenUpUs = 1'000'000;

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

bool SameMethod(const Method& left, const Method& right) {
  return std::strcmp(left.service, right.service) == 0 && std::strcmp(left.path, right.path) == 0 &&
         std::strcmp(left.interface, right.interface) == 0 &&
         std::strcmp(left.member, right.member) == 0;
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

LastingBus::~LastingBus() { Disconnect(); }

int LastingBus::OnReply(sd_bus_message* reply, void* asked, sd_bus_error* /*error*/) {
  auto* const call = static_cast<Asked*>(asked);
  call->underWay = false;
  call->reply = Message(sd_bus_message_ref(reply));
  // The bus answers again; a call that sd-bus itself gave up on says nothing
  // of that.
  if (sd_bus_message_is_method_error(reply, SD_BUS_ERROR_NO_REPLY) == 0)
    call->bus->stalled_ = false;
  return 0;
}

bool LastingBus::Connected() {
  if (bus_ != nullptr && sd_bus_is_open(bus_) > 0) return true;
  Disconnect();
  return connect_(&bus_) >= 0;
}

void LastingBus::Disconnect() {
  // Closed without flushing, which could wait; the calls under way go with it.
  if (bus_ != nullptr) sd_bus_close(bus_);
  bus_ = sd_bus_unref(bus_);
  for (const auto& asked : asked_) {
    asked->underWay = false;
    asked->reply.reset();
  }
}

LastingBus::Asked& LastingBus::AskedOf(const Method& method) {
  const auto known = std::find_if(asked_.begin(), asked_.end(), [&method](const auto& asked) {
    return SameMethod(asked->method, method);
  });
  if (known != asked_.end()) return **known;
  return *asked_.emplace_back(std::make_unique<Asked>(
      Asked{.method = method, .bus = this, .underWay = false, .reply = nullptr}));
}

bool LastingBus::Send(Asked& asked, std::initializer_list<const char*> stringArguments) {
  const Message call = NewCall(bus_, asked.method, stringArguments);
  // Floating: the bus owns the pending call, and takes it along when it goes.
  if (!call || sd_bus_call_async(bus_, nullptr, call.get(), OnReply, &asked, kCallGivenUpUs) < 0)
    return false;
  asked.underWay = true;
  return true;
}

bool LastingBus::Advance(const Asked& asked, std::uint64_t deadlineUs, bool wait) {
  for (;;) {
    const int processed = sd_bus_process(bus_, nullptr);
    if (processed < 0) return false;
    if (!asked.underWay) return true;
    if (processed > 0) continue;
    const std::uint64_t nowUs = linux_os::MonotonicUs();
    if (!wait || nowUs >= deadlineUs) return true;
    if (sd_bus_wait(bus_, deadlineUs - nowUs) < 0) return false;
  }
}

Message LastingBus::Call(const Method& method, CallError& error,
                         std::initializer_list<const char*> stringArguments) {
  const std::uint64_t nowUs = linux_os::MonotonicUs();
  const std::uint64_t leftUs = linux_os::ThreadCycleBudget().LeftUs(nowUs);
  if (!Connected()) return nullptr;
  Asked& asked = AskedOf(method);
  const bool owed = asked.underWay || asked.reply;
  // A bus that has not taken what it was last sent is sent nothing more, so
  // that nothing piles up for one that never reads.
  std::uint64_t queued = 0;
  if (!owed && stalled_ && (sd_bus_get_n_queued_write(bus_, &queued) < 0 || queued != 0)) {
    sd_bus_error_set_const(error.Get(), SD_BUS_ERROR_TIMEOUT, nullptr);
    return nullptr;
  }
  if (!owed && !Send(asked, stringArguments)) {
    Disconnect();
    return nullptr;
  }
  const bool wait = !owed && !stalled_ && leftUs > 0;
  if (!Advance(asked, nowUs + leftUs, wait)) {
    Disconnect();
    return nullptr;
  }
  if (asked.underWay) {
    if (wait) stalled_ = true;
    sd_bus_error_set_const(error.Get(), SD_BUS_ERROR_TIMEOUT, nullptr);
    return nullptr;
  }
  Message reply = std::move(asked.reply);
  if (sd_bus_message_is_method_error(reply.get(), nullptr) != 0) {
    sd_bus_error_copy(error.Get(), sd_bus_message_get_error(reply.get()));
    return nullptr;
  }
  return reply;
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
