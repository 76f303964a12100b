// What morvane needs of the operating system, and nothing more.
//
// Every call here is implemented once per system (linux/, win32/) and once
// more by the fake platform of the unit tests. Text crossing this seam is
// UTF-8; each implementation converts at its own edge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/away_reasons.h"

namespace platform {

// ---- Failures --------------------------------------------------------------

// Why a system call failed, as the system numbers it (errno, GetLastError).
struct SystemError {
  std::uint32_t code = 0;
};

// The system's own text for error, on one line, without a line end.
std::string SystemErrorText(SystemError error);

// ---- Console ---------------------------------------------------------------

// Made safe to use before anything else opens a file: on Linux each
// of standard input, output and error that is closed is opened on /dev/null,
// so that no file the program opens takes its number, and SIGPIPE is ignored,
// so that a console whose reader has gone costs only its text. Called before
// main; true when everything was done.
bool PrepareStandardStreams();

// Hands text on to standard output, in program order with every other text.
// A console writer of its own writes it, so that a console that takes no text
// holds up neither the lamp nor the end; text that a stalled console leaves
// piling up beyond a bound is dropped, and so is a write that fails. Blocks
// for good when another thread has claimed the end (see ClaimEnd).
void WriteText(std::string_view utf8);

// The longest line that ReadLine and Pause take, in bytes.
inline constexpr std::size_t kInputLineBytes = 4096;

// Reads one typed line without its line end; nullopt at end of input. At most
// kInputLineBytes bytes: when no line end comes within them, the line is
// those bytes and the rest is never read.
std::optional<std::string> ReadLine();

// Waits for a key (a line of at most kInputLineBytes bytes when input is not
// a terminal); returns at once at end of input, so scripts are never held up.
// An end event meanwhile (Linux: an end signal, see InstallEventHandler; Windows: a console
// event, log-off, shut-down) ends the process at once with endStatus.
void Pause(int endStatus);

// ---- Process ---------------------------------------------------------------

// Lowers the process to the idle scheduling class.
bool LowerPriority(SystemError& error);

// The events that close the program from outside while it monitors.
enum class ConsoleEvent : std::uint8_t { CtrlC, CtrlBreak, Close, Logoff, Shutdown };

// Returns true when the event was dealt with, false to leave it to the
// system's default handling.
using EventHandler = bool (*)(ConsoleEvent);

// Routes console events (Linux: SIGINT, SIGTERM, SIGHUP, SIGQUIT, and every
// other catchable signal whose default action ends a process) to handler,
// which runs on a thread of its own. Until this succeeds the system's default
// handling applies.
bool InstallEventHandler(EventHandler handler, SystemError& error);

// Makes the calling thread the one that ends the process: from then on every
// other thread's text and byte writes block for good, so nothing follows the
// end's own output. A thread that comes second waits here for good, as the
// process is ending under the first; the first may claim again.
void ClaimEnd();

// Gives the console a short while to take the text still queued, then ends
// the process without running destructors that another thread may still
// depend on.
[[noreturn]] void EndProcess(int status);

// True when a service manager started the program (systemd sets
// INVOCATION_ID; Windows' Task Scheduler, through morvane-task, gives it a
// console without a window), so that the user ends it through the manager.
bool StartedAsService();

// Monotonic milliseconds, for deadlines.
std::uint64_t NowMs();

void SleepMs(std::uint32_t ms);

// ---- Serial line -----------------------------------------------------------

// An open port, or none (the value-initialised handle).
enum class PortHandle : std::intptr_t {};
inline constexpr PortHandle kNoPort{};

struct OpenFailure {
  SystemError error;
  bool permissionDenied = false;
  std::string ownerGroup;  // the group owning the device, when known
  std::string accessRule;  // the installed rule that grants the seat's user access
};

// Opens the port exclusively for synchronous reading and writing. `name` is a
// port name as discovery reports it (COM3, /dev/ttyACM0).
PortHandle OpenPort(const std::string& name, OpenFailure& failure);

bool SetQueueSizes(PortHandle port, std::uint32_t inBytes, std::uint32_t outBytes,
                   SystemError& error);

// Drops pending output and every byte received so far, and clears the
// line's error state.
bool PurgePort(PortHandle port, SystemError& error);

enum class StopBits : std::uint8_t { One, OneAndHalf, Two };

// The fields that the program chooses. Everything else is set for a plain
// three-wire line to a board: no parity, no flow control of any kind, DTR
// and RTS raised, and line errors not stopping later reads and writes.
struct LineSettings {
  std::uint32_t baudRate = 0;
  bool binary = false;
  std::uint8_t byteSize = 0;
  bool parityCheck = false;
  StopBits stopBits = StopBits::One;
};

// Sets the line whole, as above; what the lamp's line does not depend on
// (the special characters, the flow-control limits) stays as the port had it.
bool ApplyLineSettings(PortHandle port, const LineSettings& settings, SystemError& error);

// Limits for each single read and write; 0 means wait without a limit.
struct PortTimeouts {
  std::uint32_t readTotalMs = 0;
  std::uint32_t writeTotalMs = 0;
};
bool SetTimeouts(PortHandle port, const PortTimeouts& timeouts, SystemError& error);

struct ReadOutcome {
  bool ok = false;
  std::uint32_t count = 0;  // 0 on a read that timed out
  char byte = 0;
};
ReadOutcome ReadByte(PortHandle port, SystemError& error);

// False when the line has not taken the byte within the write time-out. Blocks
// for good when another thread has claimed the end.
bool WriteByte(PortHandle port, char byte, SystemError& error);

void ClosePort(PortHandle port);

// Friendly names of the serial ports present, each "description (port)".
std::vector<std::string> ListPortFriendlyNames();

// ---- Files -----------------------------------------------------------------

// The first maxBytes bytes of the file at path, as they are; empty when it
// cannot be opened or read, or is not a regular file (a pipe or a device could
// keep the reading waiting, or going, for good). unreadable is set to the
// system's reason when the file is there, or may be, but cannot be read (no
// permission on it or its folder); it is left alone when the file is missing.
std::string ReadRegularFile(const char* path, std::size_t maxBytes,
                            std::optional<SystemError>& unreadable);

// ---- Keyboard, input method and screen saver ------------------------------
//
// Each reading may be handed a list on which it notes every source that it
// asked and what that source answered, for morvane-probe to show. The
// program passes none, so that a cycle builds nothing.

// How one source answered.
enum class Reply : std::uint8_t {
  Answered,      // value holds what it said, as it said it
  Nothing,       // it answered that there is none: no foreground window, no IME window
  NotReachable,  // not there to ask: no display, no such service
  TimedOut,
  Refused,
  Failed,  // value holds the system's reason where it gave one
};

// A source by the system's own name for it ("Xkb", "fcitx5",
// "IMC_GETOPENSTATUS"), and its answer.
struct SourceReply {
  std::string source;
  Reply reply = Reply::NotReachable;
  std::string value;
};
using SourceReplies = std::vector<SourceReply>;

// What of the keyboard can be read here, for the notice at start-up.
enum class KeyboardReach : std::uint8_t {
  Full,       // Caps Lock and Shift+Esc
  NoDisplay,  // Linux without a display: no Shift+Esc, Caps Lock only from the kernel's LEDs
  Wayland,    // Caps Lock, but no Shift+Esc: a client cannot read it without a grab
  // Windows started as a task, without a console window: Caps Lock, but no
  // Shift+Esc. Nobody sees the window that it would close, and a Shift+Esc
  // typed into another program is meant for that one.
  NoConsoleWindow,
};
KeyboardReach ReachOfKeyboard();

// True when Esc was pressed since the previous call.
bool EscPressedSinceLastQuery();
// Asked right after an Esc press: whether Shift is down (where key events
// are queued, whether it was down at that press). On Windows not while Ctrl,
// Alt or the Windows key is down beside it: those make the keys another
// shortcut, Ctrl+Shift+Esc Task Manager's.
bool ShiftIsDown();

enum class Toggle : std::uint8_t { Off, On, Unknown };
// Unknown while the key is held down or where the state cannot be read.
Toggle CapsLock(SourceReplies* asked = nullptr);

struct ImeStatus {
  std::int64_t openStatus = 0;
  std::int64_t conversionMode = 0;
};

// How the question to the foreground window's input method went.
enum class ImeQuery : std::uint8_t {
  Answered,
  NoneToAsk,  // no foreground window, or no input method for it
  TimedOut,   // it did not answer in time: an application that hangs
  Refused,    // the system refused the question: a window above the program's rights
  Failed,     // asked, but no answer came for another reason
};

struct ImeReading {
  ImeQuery query = ImeQuery::NoneToAsk;
  ImeStatus status;  // meaningful only when answered
};

// Never waits long: an application that has stopped answering costs the
// cycle at most the time-out of one question.
ImeReading ForegroundIme(SourceReplies* asked = nullptr);

// A query that fails counts as not running.
bool ScreenSaverRunning(SourceReplies* asked = nullptr);

// The keys as they are at the call, for showing only: reading them takes no
// press away from a program that waits for one. Unknown where they cannot
// be read without that.
struct KeysDown {
  std::optional<bool> esc;
  std::optional<bool> shift;
};
KeysDown KeysDownNow(SourceReplies* asked = nullptr);

// ---- Away from the computer ------------------------------------------------

// Begins following the sources of each reason why nobody can be at the
// computer (away_reasons.h); a source that cannot be read counts as not away.
// From then on the lamp on port goes dark at once, from whichever thread
// learns of it, when the computer turns away: going to sleep leaves no time
// for a cycle to do it.
void WatchAway(PortHandle port);

// The reasons under way now. A request to hear of them that the system
// refused is noted on asked.
AwayState Away(SourceReplies* asked = nullptr);

// WriteByte for a byte that shows the keyboard's state: skipped (and true)
// while the computer is away, decided under the lock under which the lamp
// went dark, so that no byte of a cycle already under way follows that.
bool WriteStateByte(PortHandle port, char byte, SystemError& error);

}  // namespace platform
