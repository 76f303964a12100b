#include "watchdog.h"

#include <windows.h>

#include <chrono>
#include <cstdio>

Watchdog::Watchdog(unsigned ms, std::string what)
    : thread_([this, ms, what = std::move(what)] {
        std::unique_lock lock(mutex_);
        if (disarmed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; })) {
          return;
        }
        (void)std::fprintf(stderr, "FAILED: %s: still not done after %u ms\n", what.c_str(), ms);
        (void)std::fflush(stderr);
        // The hung call cannot be unwound; the process ends under it.
        TerminateProcess(GetCurrentProcess(), 1);
      }) {}

Watchdog::~Watchdog() {
  {
    const std::lock_guard lock(mutex_);
    done_ = true;
  }
  disarmed_.notify_one();
  thread_.join();
}
