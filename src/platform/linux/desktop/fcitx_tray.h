// fcitx5's tray item, published where a tray watcher runs (KDE; GNOME with
// the AppIndicator extension): its icon follows Mozc's mode, which fcitx5's
// State does not tell.
#pragma once

#include "platform/linux/desktop/told_mode.h"

namespace platform::desktop {

// Begins, on the first call, to follow fcitx5's tray item on the session
// bus on a thread of its own, and returns the item's last IconName; nothing
// while fcitx5 has no item published.
ToldMode::Heard FcitxTrayIcon();

}  // namespace platform::desktop
