#include "program_run.h"

#include <windows.h>

#include <array>
#include <string>

#include "handle.h"
#include "log_file.h"
#include "log_lines.h"
#include "platform/win32/code_pages.h"

namespace task::win32 {
namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;

constexpr int kCouldNotStart = 1;

// How long the reading goes on after the program has ended, for its last
// text; then, and every time again, it is cut short.
constexpr DWORD kLastTextWaitMs = 1000;

// The program's redirected text is Shift_JIS; the log is UTF-8.
void LogProgramLine(const Places& places, std::string_view shiftJis) {
  AppendToLog(places.logFolder, FromWide(ToWide(shiftJis, platform::win32::kShiftJis), CP_UTF8));
}

void LogFailure(const Places& places, std::string_view what) {
  AppendFailureToLog(places.logFolder, what, GetLastError());
}

struct Copy {
  const Places* places;
  HANDLE pipe;
};

// Until every holder of the pipe's other end has closed it, or the reading
// is cut short.
DWORD WINAPI CopyToLog(void* parameter) {
  const Copy& copy = *static_cast<const Copy*>(parameter);
  LineCutter cutter;
  std::array<char, 4096> piece{};
  DWORD read = 0;
  while (ReadFile(copy.pipe, piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr) &&
         read > 0) {
    for (const std::string& line : cutter.Take(std::string_view(piece.data(), read))) {
      LogProgramLine(*copy.places, line);
    }
  }
  if (const auto rest = cutter.Rest()) LogProgramLine(*copy.places, *rest);
  return 0;
}

// All the program wrote is in the pipe once it has ended, but a process
// started on its behalf may hold the pipe open for long after: Wine starts
// its desktop process with the program's standard handles.
void CopyUntilEnded(const Places& places, HANDLE pipe, HANDLE process) {
  Copy copy{&places, pipe};
  const Handle reader(CreateThread(nullptr, 0, CopyToLog, &copy, 0, nullptr));
  if (!reader.Valid()) {
    CopyToLog(&copy);
    return;
  }
  WaitForSingleObject(process, INFINITE);
  // A cut that comes between two reads finds nothing to cut: the next one.
  while (WaitForSingleObject(reader.Get(), kLastTextWaitMs) == WAIT_TIMEOUT) {
    CancelSynchronousIo(reader.Get());
  }
}

}  // namespace

int RunProgram(const Places& places) {
  MakeFolder(places.logFolder);
  MakeFolder(places.workingFolder);
  SECURITY_ATTRIBUTES inherited{.nLength = sizeof(SECURITY_ATTRIBUTES),
                                .lpSecurityDescriptor = nullptr,
                                .bInheritHandle = TRUE};
  Handle readEnd;
  Handle writeEnd;
  // Input from NUL: a failure's pause returns at once instead of waiting
  // for a key that nobody can press.
  Handle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                           OPEN_EXISTING, 0, nullptr));
  if (!input.Valid() || !CreatePipe(readEnd.Out(), writeEnd.Out(), &inherited, 0) ||
      !SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0)) {
    LogFailure(places, "morvane.exe の出力を受け取れません。");
    return kCouldNotStart;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.Get();
  startup.hStdOutput = writeEnd.Get();
  startup.hStdError = writeEnd.Get();
  const std::wstring program = places.programFolder + L"\\morvane.exe";
  std::wstring commandLine = L"\"" + program + L"\"";
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, places.workingFolder.c_str(), &startup, &started)) {
    LogFailure(places, "morvane.exe を起動できませんでした。");
    return kCouldNotStart;
  }
  Handle process(started.hProcess);
  Handle thread(started.hThread);
  // Only the program holds the pipe's writing end now, so that the pipe
  // ends with it.
  writeEnd.Close();
  input.Close();
  CopyUntilEnded(places, readEnd.Get(), process.Get());
  DWORD status = kCouldNotStart;
  GetExitCodeProcess(process.Get(), &status);
  return static_cast<int>(status);
}

}  // namespace task::win32
