// Where ibus-daemon leaves the address of its own bus, worked out the way
// IBus's clients work it out.
#pragma once

#include <string>
#include <string_view>

namespace platform::desktop {

// The name of the address file under ~/.config/ibus/bus/ for this machine
// and display: "<machine id>-<host>-<display number>". An empty display
// stands for none set.
std::string IbusAddressFileName(std::string_view machineId, std::string_view waylandDisplay,
                                std::string_view x11Display);

// The value of the file's IBUS_ADDRESS line; empty when it has none.
std::string IbusAddressFromFile(std::string_view content);

}  // namespace platform::desktop
