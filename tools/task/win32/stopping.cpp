#include "stopping.h"

#include <windows.h>

#include <tlhelp32.h>

#include <map>
#include <string>
#include <vector>

#include "handle.h"
#include "platform/win32/session_window.h"

namespace task::win32 {
namespace {

// Longer than the program takes to open its port and hear from the board.
constexpr ULONGLONG kStopWaitMs = 10000;
constexpr DWORD kPollMs = 50;

struct Process {
  std::wstring image;
  DWORD parent = 0;
};

// Every process running now, by id.
std::map<DWORD, Process> RunningProcesses() {
  std::map<DWORD, Process> processes;
  const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return processes;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    processes[entry.th32ProcessID] = {entry.szExeFile, entry.th32ParentProcessID};
  }
  return processes;
}

bool IsImage(const Process& process, const wchar_t* image) {
  return CompareStringOrdinal(process.image.c_str(), -1, image, -1, TRUE) == CSTR_EQUAL;
}

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<WindowSearch*>(lParam);  // NOLINT
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  std::wstring name(64, L'\0');
  name.resize(
      static_cast<std::size_t>(GetClassNameW(window, name.data(), static_cast<int>(name.size()))));
  if (owner != search->processId || name != platform::win32::kSessionWindowClass) return TRUE;
  search->found = window;
  return FALSE;
}

// The program makes its window once it has heard from the board.
HWND SessionWindowOf(DWORD processId) {
  WindowSearch search{processId, nullptr};
  EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

bool StopPrograms() {
  const ULONGLONG deadline = GetTickCount64() + kStopWaitMs;
  std::map<DWORD, Handle> closed;  // the programs told, held so that their ids stay theirs
  std::vector<Handle> launchers;
  for (;;) {
    const std::map<DWORD, Process> processes = RunningProcesses();
    bool programsLeft = false;
    for (const auto& [id, process] : processes) {
      if (!IsImage(process, L"morvane.exe")) continue;
      programsLeft = true;
      if (closed.contains(id)) continue;
      const HWND window = SessionWindowOf(id);
      if (window == nullptr) continue;
      closed.emplace(id, Handle(OpenProcess(SYNCHRONIZE, FALSE, id)));
      const auto parent = processes.find(process.parent);
      if (parent != processes.end() && IsImage(parent->second, L"morvane-task.exe")) {
        launchers.emplace_back(OpenProcess(SYNCHRONIZE, FALSE, process.parent));
      }
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (!programsLeft) break;
    if (GetTickCount64() > deadline) return false;
    Sleep(kPollMs);
  }
  for (const Handle& launcher : launchers) {
    const ULONGLONG now = GetTickCount64();
    if (launcher.Valid()) {
      WaitForSingleObject(launcher.Get(), now < deadline ? static_cast<DWORD>(deadline - now) : 0);
    }
  }
  return true;
}

}  // namespace task::win32
