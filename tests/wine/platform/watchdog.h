// Fails a test that hangs, rather than leaving the suite to wait for it.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class Watchdog {
 public:
  // Ends the process with a failure unless destroyed within ms.
  Watchdog(unsigned ms, std::string what);
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  ~Watchdog();

 private:
  std::mutex mutex_;
  std::condition_variable disarmed_;
  bool done_ = false;
  std::thread thread_;
};
