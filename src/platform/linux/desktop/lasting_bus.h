// A D-Bus connection kept for the program's life and made again only after
// it broke. Its calls never start a service, so polling launches nothing, and
// nothing of it is waited on beyond the calling thread's cycle budget: the
// connection is begun without waiting, its set-up (connecting,
// authenticating, Hello) and each call go on from cycle to cycle, and a
// cycle waits for them only within what is left of its allowance.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace platform::desktop {

struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

struct Method {
  const char* service;
  const char* path;
  const char* interface;
  const char* member;
};

class CallError {
 public:
  CallError() = default;
  CallError(const CallError&) = delete;
  CallError& operator=(const CallError&) = delete;
  ~CallError() { sd_bus_error_free(&error_); }

  sd_bus_error* Get() { return &error_; }
  bool IsSet() const { return sd_bus_error_is_set(&error_) != 0; }
  // No one owns the service's name, so it is not running.
  bool ServiceAbsent() const;
  const char* Name() const { return error_.name != nullptr ? error_.name : ""; }

 private:
  sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

// Begins a connection without waiting for it; a negative errno when it
// cannot.
using Connector = int (*)(sd_bus** bus);

class LastingBus {
 public:
  explicit LastingBus(Connector connect) : connect_(connect) {}
  LastingBus(const LastingBus&) = delete;
  LastingBus& operator=(const LastingBus&) = delete;
  ~LastingBus();

  // The reply, or null: without a connection (error unset), when the call
  // failed, and when no answer came within the cycle's allowance (error
  // Timeout). A method is asked once at a time: while an answer is owed it
  // is not asked again, and its answer is taken in the cycle that finds it
  // come. A bus that let a cycle's allowance run out is waited on no more
  // until it answers again, so that a bus that never answers costs a cycle
  // nothing.
  Message Call(const Method& method, CallError& error,
               std::initializer_list<const char*> stringArguments = {});

 private:
  // One method's call: under way, or its reply come and not yet taken.
  struct Asked {
    Method method;
    LastingBus* bus;
    bool underWay = false;
    Message reply;
  };

  static int OnReply(sd_bus_message* reply, void* asked, sd_bus_error* error);
  bool Connected();
  void Disconnect();
  Asked& AskedOf(const Method& method);
  bool Send(Asked& asked, std::initializer_list<const char*> stringArguments);
  // Deals with what has arrived, and while wait, waits for asked's reply up
  // to deadlineUs; false when the connection broke.
  bool Advance(const Asked& asked, std::uint64_t deadlineUs, bool wait);

  Connector connect_;
  sd_bus* bus_ = nullptr;
  std::vector<std::unique_ptr<Asked>> asked_;
  bool stalled_ = false;  // let an allowance run out, and has not answered since
};

// How a call that brought no reply went: without a connection, or with no
// one owning the service's name, the source is not reachable.
Reply ReplyOf(const CallError& error);

// The user's session bus.
LastingBus& SessionBus();

// Whether the method, asked without arguments, answers true; false when it
// gives no boolean answer.
bool AnswersTrue(LastingBus& bus, const Method& method);

}  // namespace platform::desktop
