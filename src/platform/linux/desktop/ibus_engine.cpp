#include "platform/linux/desktop/ibus_engine.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>

#include "platform/linux/bounded_file.h"
#include "platform/linux/desktop/ibus_address.h"
#include "platform/linux/desktop/lasting_bus.h"

namespace platform::desktop {
namespace {

// The machine's id and IBus's address file: a few lines, in a regular file.
std::string FileText(const std::string& path) {
  constexpr std::size_t kMostBytes = 4096;
  int error = 0;
  return linux_os::ReadBoundedFile(path.c_str(), kMostBytes, error).value_or("");
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string MachineId() {
  for (const char* path : {"/var/lib/dbus/machine-id", "/etc/machine-id"}) {
    std::string id = FileText(path);
    if (!id.empty()) return id;
  }
  return {};
}

std::string ConfigDirectory() {
  std::string directory = Environment("XDG_CONFIG_HOME");
  return directory.empty() ? Environment("HOME") + "/.config" : directory;
}

std::string IbusAddress() {
  std::string address = Environment("IBUS_ADDRESS");
  if (!address.empty()) return address;
  const std::string fileName =
      IbusAddressFileName(MachineId(), Environment("WAYLAND_DISPLAY"), Environment("DISPLAY"));
  return IbusAddressFromFile(FileText(ConfigDirectory() + "/ibus/bus/" + fileName));
}

}  // namespace

int ConnectIbus(sd_bus** bus) {
  const std::string address = IbusAddress();
  if (address.empty()) return -ENOENT;
  sd_bus* opened = nullptr;
  int result = sd_bus_new(&opened);
  if (result < 0) return result;
  if ((result = sd_bus_set_address(opened, address.c_str())) < 0 ||
      (result = sd_bus_set_bus_client(opened, 1)) < 0 || (result = sd_bus_start(opened)) < 0) {
    sd_bus_unref(opened);
    return result;
  }
  *bus = opened;
  return 0;
}

namespace {

LastingBus& IbusBus() {
  // Never destroyed: the process's end takes the connection down with it.
  static auto* const bus = new LastingBus(ConnectIbus);
  return *bus;
}

// The property's value is the engine's description as IBus serialises it,
// wrapped in variants: (sa{sv}s...), its type name, its attachments, then
// the engine's name.
std::optional<std::string> EngineName(sd_bus_message* reply) {
  char type = 0;
  const char* contents = nullptr;
  for (;;) {
    if (sd_bus_message_peek_type(reply, &type, &contents) <= 0) return std::nullopt;
    if (type != SD_BUS_TYPE_VARIANT && type != SD_BUS_TYPE_STRUCT) return std::nullopt;
    if (sd_bus_message_enter_container(reply, type, contents) < 0) return std::nullopt;
    if (type == SD_BUS_TYPE_STRUCT) break;
  }
  const char* name = nullptr;
  if (sd_bus_message_skip(reply, "sa{sv}") < 0 ||
      sd_bus_message_read_basic(reply, SD_BUS_TYPE_STRING, &name) < 0) {
    return std::nullopt;
  }
  return std::string(name);
}

}  // namespace

std::optional<std::string> IbusGlobalEngine(Reply& reply) {
  constexpr Method kGetProperty{"org.freedesktop.IBus", "/org/freedesktop/IBus",
                                "org.freedesktop.DBus.Properties", "Get"};
  CallError error;
  const Message answer =
      IbusBus().Call(kGetProperty, error, {"org.freedesktop.IBus", "GlobalEngine"});
  reply = answer ? Reply::Failed : ReplyOf(error);
  if (!answer) return std::nullopt;
  return EngineName(answer.get());
}

}  // namespace platform::desktop
