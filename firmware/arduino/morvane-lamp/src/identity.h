#ifndef MORVANE_FIRMWARE_IDENTITY_H
#define MORVANE_FIRMWARE_IDENTITY_H

#include <stdint.h>

namespace lamp {

// The line the host waits for after it has opened the port; it reads up to the CR.
constexpr char kIdentityLine[] = "Lumivantrexial\r\n";

// As long as an Uno's bootloader holds the board after the reset that opening its port
// causes: the host opens the port, then purges it, and only what comes after the purge
// reaches it.
constexpr uint16_t kOpeningHoldMs = 1000;

// Port is the Arduino core's serial port or a stand-in with its write(const char*, size_t).
template <typename Port>
void SendIdentity(Port& port) {
  port.write(kIdentityLine, sizeof kIdentityLine - 1);
}

// A board with native USB (Leonardo, Micro) is not reset when the host opens its port: the
// host raising DTR is the opening. The identity goes out once DTR has stayed up for the
// hold, once per opening; DTR falling before then (the host gave up) sends nothing.
// Port also needs the core's dtr().
template <typename Port>
class IdentityOnOpening {
 public:
  explicit IdentityOnOpening(Port& port) : port_(port) {}

  // Call on every pass of the main loop; nowMs is a free-running millisecond counter.
  void Poll(uint16_t nowMs) {
    const bool open = port_.dtr();
    if (open && !open_) {
      openedMs_ = nowMs;
      announced_ = false;
    }
    open_ = open;
    // Unsigned subtraction keeps the wait right across the counter's wrap-around.
    if (open_ && !announced_ && static_cast<uint16_t>(nowMs - openedMs_) >= kOpeningHoldMs) {
      SendIdentity(port_);
      announced_ = true;
    }
  }

 private:
  Port& port_;
  bool open_ = false;
  bool announced_ = false;
  uint16_t openedMs_ = 0;
};

}  // namespace lamp

#endif
