// The item is found among those the watcher lists, or as it registers, by
// its Id "Fcitx"; fcitx5 publishes it from a connection of its own, so its
// owner is not org.fcitx.Fcitx5's.
#include "platform/linux/desktop/fcitx_tray.h"

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/linux/desktop/bus_thread.h"

namespace platform::desktop {
namespace {

constexpr char kWatcher[] = "org.kde.StatusNotifierWatcher";
constexpr char kItem[] = "org.kde.StatusNotifierItem";
constexpr char kItemPath[] = "/StatusNotifierItem";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
constexpr const char* kItemRegistered =
    "type='signal',interface='org.kde.StatusNotifierWatcher',"
    "member='StatusNotifierItemRegistered'";
constexpr std::uint64_t kCallTimeoutUs = 1'000'000;
// A session bus that is not there, or broke, is tried again this much later.
constexpr auto kReconnectPause = std::chrono::seconds(5);

struct SlotUnref {
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using Slot = std::unique_ptr<sd_bus_slot, SlotUnref>;

ToldMode& Told() {
  static ToldMode told;
  return told;
}

class Tray {
 public:
  explicit Tray(sd_bus* bus) : bus_(bus) {}

  // Returns when the bus broke.
  void Follow() {
    // Subscribed before the watcher is asked, so that no item falls between.
    if (sd_bus_add_match(bus_, nullptr, kItemRegistered, OnItemRegistered, this) < 0) return;
    FindItemAmongListed();
    ServeUntilBroken(bus_);
  }

 private:
  // A string property of the item; empty when it has none.
  std::string ItemText(const std::string& service, const std::string& path, const char* name) {
    const Message reply =
        CallWaiting(bus_, {service.c_str(), path.c_str(), kProperties, "Get"}, "ss", kItem, name);
    const char* text = nullptr;
    if (!reply || sd_bus_message_read(reply.get(), "v", "s", &text) < 0) return {};
    return text;
  }

  void FindItemAmongListed() {
    const Message reply =
        CallWaiting(bus_, {kWatcher, "/StatusNotifierWatcher", kProperties, "Get"}, "ss", kWatcher,
                    "RegisteredStatusNotifierItems");
    if (!reply || sd_bus_message_enter_container(reply.get(), SD_BUS_TYPE_VARIANT, "as") <= 0 ||
        sd_bus_message_enter_container(reply.get(), SD_BUS_TYPE_ARRAY, "s") <= 0) {
      return;
    }
    const char* entry = nullptr;
    while (sd_bus_message_read_basic(reply.get(), SD_BUS_TYPE_STRING, &entry) > 0) {
      if (TryItem(entry)) return;
    }
  }

  // An entry is the item's service, or its service and path ("<service>/
  // StatusNotifierItem"), as watchers list them. True when it is fcitx5's.
  bool TryItem(std::string_view entry) {
    const std::size_t slash = entry.find('/');
    const std::string service(entry.substr(0, slash));
    const std::string path(slash == std::string_view::npos ? kItemPath : entry.substr(slash));
    if (service.empty() || ItemText(service, path, "Id") != "Fcitx") return false;
    const Message owner = CallWaiting(
        bus_,
        {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner"},
        "s", service.c_str());
    const char* unique = nullptr;
    if (!owner || sd_bus_message_read_basic(owner.get(), SD_BUS_TYPE_STRING, &unique) < 0) {
      return false;
    }
    Adopt(unique, path);
    return true;
  }

  void Adopt(const std::string& owner, const std::string& path) {
    Drop();
    const std::string newIcon = "type='signal',sender='" + owner + "',path='" + path +
                                "',interface='org.kde.StatusNotifierItem',member='NewIcon'";
    const std::string gone =
        "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
        "member='NameOwnerChanged',arg0='" +
        owner + "',arg2=''";
    sd_bus_slot* newIconSlot = nullptr;
    sd_bus_slot* goneSlot = nullptr;
    if (sd_bus_add_match(bus_, &newIconSlot, newIcon.c_str(), OnNewIcon, this) < 0) return;
    newIcon_.reset(newIconSlot);
    if (sd_bus_add_match(bus_, &goneSlot, gone.c_str(), OnItemGone, this) < 0) return;
    gone_.reset(goneSlot);
    owner_ = owner;
    path_ = path;
    ReadIcon();
  }

  void Drop() {
    newIcon_.reset();
    gone_.reset();
    owner_.clear();
    Told().Forget();
  }

  void ReadIcon() {
    const std::string icon = ItemText(owner_, path_, "IconName");
    if (!icon.empty()) Told().Tell(icon);
  }

  static int OnItemRegistered(sd_bus_message* message, void* self, sd_bus_error* /*error*/) {
    const char* entry = nullptr;
    if (sd_bus_message_read_basic(message, SD_BUS_TYPE_STRING, &entry) >= 0) {
      static_cast<Tray*>(self)->TryItem(entry);
    }
    return 0;
  }

  static int OnNewIcon(sd_bus_message* /*message*/, void* self, sd_bus_error* /*error*/) {
    static_cast<Tray*>(self)->ReadIcon();
    return 0;
  }

  static int OnItemGone(sd_bus_message* /*message*/, void* self, sd_bus_error* /*error*/) {
    static_cast<Tray*>(self)->Drop();
    return 0;
  }

  sd_bus* bus_;
  Slot newIcon_;
  Slot gone_;
  std::string owner_;
  std::string path_;
};

[[noreturn]] void FollowForGood() {
  FollowBusForGood({.connect = sd_bus_open_user,
                    .callTimeoutUs = kCallTimeoutUs,
                    .follow = [](sd_bus* bus) { Tray(bus).Follow(); },
                    .forget = [] { Told().Forget(); },
                    .reconnectPause = kReconnectPause});
}

}  // namespace

ToldMode::Heard FcitxTrayIcon() {
  // Without the thread fcitx5's State alone tells.
  StartOnce<FollowForGood>();
  return Told().Last();
}

}  // namespace platform::desktop
