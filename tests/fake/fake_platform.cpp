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
  errPortNameList.reset();
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

bool Outcome(bool ok, platform::SystemError& error) {
  if (!ok) error.code = State().errorCode;
  return ok;
}

}  // namespace fake

namespace platform {

using fake::Record;
using fake::State;

std::string SystemErrorText(SystemError error) { return "reason " + std::to_string(error.code); }

// Both run before main, when the fake may not have been made yet.
bool PrepareStandardStreams() { return true; }
std::string ReadRegularFile(const char* /*path*/, std::size_t /*maxBytes*/,
                            std::optional<SystemError>& /*unreadable*/) {
  return {};
}

void WriteText(std::string_view utf8) { Record("text:", utf8); }

std::optional<std::string> ReadLine() {
  Record("readline");
  if (State().typedLines.empty()) return std::nullopt;
  std::string line = State().typedLines.front();
  State().typedLines.pop_front();
  return line;
}

void Pause(int endStatus) { Record("pause:", endStatus); }

bool LowerPriority(SystemError& error) {
  Record("priority");
  error.code = State().priorityError;
  return State().priorityLowers;
}

bool InstallEventHandler(EventHandler handler, SystemError& error) {
  Record("handler");
  if (State().handlerInstalls) State().handler = handler;
  return fake::Outcome(State().handlerInstalls, error);
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
    failure.error.code = State().errorCode;
    return kNoPort;
  }
  return static_cast<PortHandle>(fake::kFakePort);
}

bool SetQueueSizes(PortHandle /*port*/, std::uint32_t inBytes, std::uint32_t outBytes,
                   SystemError& error) {
  Record("queues:", std::to_string(inBytes) + "/" + std::to_string(outBytes));
  return fake::Outcome(State().queuesSet, error);
}

bool PurgePort(PortHandle /*port*/, SystemError& error) {
  Record("purge");
  return fake::Outcome(State().purges, error);
}

bool ApplyLineSettings(PortHandle /*port*/, const LineSettings& settings, SystemError& error) {
  Record("line");
  State().lineSettings = settings;
  return fake::Outcome(State().lineSettingsApply, error);
}

bool SetTimeouts(PortHandle /*port*/, const PortTimeouts& timeouts, SystemError& error) {
  State().timeouts = timeouts;
  return fake::Outcome(State().timeoutsSet, error);
}

ReadOutcome ReadByte(PortHandle /*port*/, SystemError& error) {
  if (State().received.empty()) {
    State().nowMs += State().timeouts.readTotalMs;
    return {.ok = true, .count = 0, .byte = 0};
  }
  const ReadOutcome read = State().received.front();
  State().received.pop_front();
  fake::Outcome(read.ok, error);
  return read;
}

bool WriteByte(PortHandle /*port*/, char byte, SystemError& error) {
  fake::Platform& fake = State();
  if (fake.failingWrite == fake.writes++) return fake::Outcome(false, error);
  Record("byte:", std::string_view(&byte, 1));
  return true;
}

bool WriteStateByte(PortHandle port, char byte, SystemError& error) {
  return State().current.turnsAwayMidCycle || WriteByte(port, byte, error);
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
void WatchAway(PortHandle port) { State().awayWatched = port; }
AwayState Away(SourceReplies* /*asked*/) { return State().current.away; }

}  // namespace platform
