// A D-Bus connection kept for the program's life and made again only after
// it broke. Its calls wait briefly and never start a service, so an absent
// or hung service costs a poll little, and polling launches nothing.
#pragma once

#include <systemd/sd-bus.h>

#include <initializer_list>
#include <memory>

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

// Opens a connection; a negative errno when it cannot.
using Connector = int (*)(sd_bus** bus);

class LastingBus {
 public:
  explicit LastingBus(Connector connect) : connect_(connect) {}
  LastingBus(const LastingBus&) = delete;
  LastingBus& operator=(const LastingBus&) = delete;
  ~LastingBus() { sd_bus_unref(bus_); }

  // The reply, or null when there is no connection or the call failed.
  Message Call(const Method& method, CallError& error,
               std::initializer_list<const char*> stringArguments = {});

 private:
  bool Connected();

  Connector connect_;
  sd_bus* bus_ = nullptr;
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
