#include "find_process.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>

namespace {

struct Search {
  DWORD processId = 0;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM searchAddress) {
  // EnumWindows hands back the address it was given.
  auto* search = reinterpret_cast<Search*>(searchAddress);  // NOLINT(performance-no-int-to-ptr)
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId) search->windows.push_back(window);
  return TRUE;
}

}  // namespace

std::optional<DWORD> FindOnlyProcess(const wchar_t* imageName) {
  const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return std::nullopt;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  std::optional<DWORD> found;
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, imageName) == 0) {
      found = entry.th32ProcessID;
      ++count;
    }
  }
  return count == 1 ? found : std::nullopt;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
  constexpr DWORD kWindowWaitMs = 5000;
  constexpr DWORD kLookAgainMs = 50;
  for (DWORD waited = 0;; waited += kLookAgainMs) {
    Search search{processId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.windows.empty() || waited >= kWindowWaitMs) return search.windows;
    Sleep(kLookAgainMs);
  }
}

std::vector<HWND> WindowsOfOnlyProcess(const char* helper, const wchar_t* imageName) {
  const std::optional<DWORD> processId = FindOnlyProcess(imageName);
  if (!processId) {
    (void)std::fprintf(stderr, "%s: no single process runs that image\n", helper);
    return {};
  }
  std::vector<HWND> windows = TopLevelWindowsOf(*processId);
  if (windows.empty()) {
    (void)std::fprintf(stderr, "%s: the process has no top-level window\n", helper);
  }
  return windows;
}
