// morvane-probe: shows, live, everything the monitor reads, through the same
// platform code, so that a user can see why the lamp shows the colour it
// does. It opens no port and sends nothing.
#include <chrono>
#include <ctime>
#include <mutex>
#include <string>

#include "monitor/monitor_loop.h"
#include "platform/platform.h"
#include "probe_line.h"

namespace {

// The tally, which the thread that ends the run reads.
struct Run {
  std::mutex mutex;
  Tally tally;
};

Run& TheRun() {
  static Run run;
  return run;
}

// In the order the monitor asks, Esc and Shift as it would ask them first.
ProbeReading ReadAsTheMonitorDoes() {
  ProbeReading reading;
  reading.keys = platform::KeysDownNow(&reading.keySources);
  reading.screenSaver = platform::ScreenSaverRunning(&reading.screenSaverSources);
  reading.capsLock = platform::CapsLock(&reading.capsLockSources);
  reading.ime = platform::ForegroundIme(&reading.imeSources);
  reading.away = platform::Away(&reading.awaySources);
  return reading;
}

// The wall clock's local time, which a user compares with what happened.
std::string TimeStamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  const std::tm* local = std::localtime(&seconds);
  if (local == nullptr) return FormatTimeStamp(0, 0, 0, 0);
  return FormatTimeStamp(local->tm_hour, local->tm_min, local->tm_sec,
                         static_cast<int>(milliseconds));
}

// Every console event ends the run with its summary; the loop's next line,
// if any, waits for good behind the claim.
bool EndRun(platform::ConsoleEvent /*event*/) {
  platform::ClaimEnd();
  std::string summary;
  {
    const std::lock_guard lock(TheRun().mutex);
    summary = TheRun().tally.Summary();
  }
  platform::WriteText(summary);
  platform::EndProcess(0);
}

}  // namespace

int main() {
  platform::WriteText(
      "morvane-probe: morvaneが読み取る状態を、変わるたびに1行で表示します。"
      "Ctrl+Cで終了します。\n");
  platform::SystemError error;
  if (!platform::InstallEventHandler(EndRun, error)) {
    platform::WriteText("SetConsoleCtrlHandler FAILED\n理由: " + platform::SystemErrorText(error) +
                        "\n");
    platform::EndProcess(1);
  }
  // No port: the probe follows the away states and darkens nothing.
  platform::WatchAway(platform::kNoPort);
  std::string shown;
  for (;;) {
    {
      const std::lock_guard lock(TheRun().mutex);
      TheRun().tally.Begin();
    }
    const ProbeReading reading = ReadAsTheMonitorDoes();
    std::string line = FormatReading(reading);
    {
      const std::lock_guard lock(TheRun().mutex);
      TheRun().tally.Add(reading);
    }
    if (line != shown) {
      platform::WriteText(TimeStamp() + "  " + line + "\n");
      shown = std::move(line);
    }
    platform::SleepMs(kPollIntervalMs);
  }
}
