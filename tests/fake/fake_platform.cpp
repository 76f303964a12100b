#include "fake/fake_platform.h"

#include "app/globals.h"

namespace fake {
namespace {

constexpr std::intptr_t kFakePort = 7;

// At namespace scope rather than in State(), so that the seam's calls skip a
// local static's guard: the benchmark counts their instructions with the
// program's. Nothing asks for it before main.
Platform theFake;

void Keep(std::string_view call, std::string_view detail) {
  std::string entry(call);
  entry += detail;
  State().calls.push_back(std::move(entry));
}

// Builds nothing while quiet.
void Record(std::string_view call, std::string_view detail = {}) {
  if (!State().quiet) Keep(call, detail);
}

void Record(std::string_view call, std::int64_t number) {
  if (!State().quiet) Keep(call, std::to_string(number));
}

std::string Joined(const std::string& prefix) {
  std::string joined;
  for (const std::string& call : State().calls) {
    if (call.starts_with(prefix)) joined += call.substr(prefix.size());
  }
  return joined;
}

}  // namespace

Platform& State() { return theFake; }

std::string Platform::Console() const { return Joined("text:"); }
std::string Platform::Bytes() const { return Joined("byte:"); }

void Reset() {
  State() = Platform();
  ArduinoNameList.clear();
  PortNameList.clear();
  PortNoList.clear();
  strCOMport.clear();
  FoundPortNoList.clear();
  FoundPortNameList.clear();
  MenuNumberList.clear();
  strSelect.clear();
  hComm = platform::kNoPort;
  bResult = false;
  bRead = false;
  cRecv = 0;
  dwRecvSize = 0;
  cGreenCmd = 0;
  cBlueCmd = 0;
}

platform::ReadOutcome Byte(char byte) { return {.ok = true, .count = 1, .byte = byte}; }

void Receive(std::string_view bytes) {
  for (const char byte : bytes) State().received.push_back(Byte(byte));
}

}  // namespace fake

namespace platform {

using fake::Record;
using fake::State;

void WriteText(std::string_view utf8) { Record("text:", utf8); }

std::optional<std::string> ReadLine() {
  Record("readline");
  if (State().typedLines.empty()) return std::nullopt;
  std::string line = State().typedLines.front();
  State().typedLines.pop_front();
  return line;
}

void Pause() { Record("pause"); }

bool LowerPriority(std::uint32_t& errorCode) {
  Record("priority");
  errorCode = State().priorityError;
  return State().priorityLowers;
}

bool InstallEventHandler(EventHandler handler) {
  Record("handler");
  if (State().handlerInstalls) State().handler = handler;
  return State().handlerInstalls;
}

void ClaimEnd() { Record("claim"); }

void EndProcess(int status) {
  Record("end:", status);
  if (State().endWatcher != nullptr) State().endWatcher(status);
  throw fake::ProcessEnded{status};
}

bool StartedAsService() { return State().startedAsService; }

std::uint64_t NowMs() { return State().nowMs; }

void SleepMs(std::uint32_t ms) {
  Record("sleep:", ms);
  State().nowMs += ms;
}

PortHandle OpenPort(const std::string& name, OpenFailure& failure) {
  Record("open:", name);
  if (!State().portOpens) {
    failure = State().openFailure;
    return kNoPort;
  }
  return static_cast<PortHandle>(fake::kFakePort);
}

bool SetQueueSizes(PortHandle /*port*/, std::uint32_t inBytes, std::uint32_t outBytes) {
  Record("queues:", std::to_string(inBytes) + "/" + std::to_string(outBytes));
  return State().queuesSet;
}

bool PurgePort(PortHandle /*port*/) {
  Record("purge");
  return State().purges;
}

bool ApplyLineSettings(PortHandle /*port*/, const LineSettings& settings) {
  Record("line");
  State().lineSettings = settings;
  return State().lineSettingsApply;
}

bool SetTimeouts(PortHandle /*port*/, const PortTimeouts& timeouts) {
  State().timeouts = timeouts;
  return State().timeoutsSet;
}

ReadOutcome ReadByte(PortHandle /*port*/) {
  if (State().received.empty()) {
    State().nowMs += State().timeouts.readTotalMs;
    return {.ok = true, .count = 0, .byte = 0};
  }
  const ReadOutcome read = State().received.front();
  State().received.pop_front();
  return read;
}

bool WriteByte(PortHandle /*port*/, char byte) {
  fake::Platform& fake = State();
  if (fake.failingWrite == fake.writes++) return false;
  Record("byte:", std::string_view(&byte, 1));
  return true;
}

void ClosePort(PortHandle /*port*/) { Record("close"); }

std::vector<std::string> ListPortFriendlyNames() { return State().friendlyNames; }

KeyboardReach ReachOfKeyboard() {
  Record("keyboard");
  return State().keyboardReach;
}

bool EscPressedSinceLastQuery() {
  fake::Platform& fake = State();
  if (fake.cycleSource != nullptr) {
    fake.current = fake.cycleSource(fake.cyclesBegun);
  } else if (fake.cycles.empty()) {
    fake.current = {.esc = true, .shift = true};
  } else {
    fake.current = fake.cycles.front();
    fake.cycles.pop_front();
  }
  ++fake.cyclesBegun;
  return fake.current.esc;
}

bool ShiftIsDown() { return State().current.shift; }
// The program asks its readings for no sources.
Toggle CapsLock(SourceReplies* /*asked*/) { return State().current.capsLock; }
ImeReading ForegroundIme(SourceReplies* /*asked*/) { return State().current.ime; }
bool ScreenSaverRunning(SourceReplies* /*asked*/) { return State().current.screenSaver; }
KeysDown KeysDownNow(SourceReplies* /*asked*/) { return {}; }

}  // namespace platform
