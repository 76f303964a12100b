// How one running program is scheduled: its priority class, the priority of
// the thread of its hidden session window, then those of its other threads.
//
//   thread_priorities <image name>   prints, for example, "0x40 15 0 0"
#include <windows.h>

#include <tlhelp32.h>

#include <array>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <vector>

#include "find_process.h"

namespace {

constexpr wchar_t kSessionWindowClass[] = L"morvane.session";
// Class names are at most 256 characters long.
constexpr int kClassChars = 257;

std::optional<DWORD> SessionWindowThread(DWORD processId) {
  for (const HWND window : TopLevelWindowsOf(processId)) {
    std::array<wchar_t, kClassChars> name{};
    GetClassNameW(window, name.data(), kClassChars);
    if (std::wcscmp(name.data(), kSessionWindowClass) == 0) {
      return GetWindowThreadProcessId(window, nullptr);
    }
  }
  return std::nullopt;
}

std::vector<DWORD> ThreadsOf(DWORD processId) {
  std::vector<DWORD> threads;
  const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot.Valid()) return threads;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot.Get(), &entry); more;
       more = Thread32Next(snapshot.Get(), &entry)) {
    if (entry.th32OwnerProcessID == processId) threads.push_back(entry.th32ThreadID);
  }
  return threads;
}

int PriorityOf(DWORD threadId) {
  const Handle thread(OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId));
  return thread.Valid() ? GetThreadPriority(thread.Get()) : THREAD_PRIORITY_ERROR_RETURN;
}

int Fail(const char* why) {
  (void)std::fprintf(stderr, "thread_priorities: %s (error %lu)\n", why, GetLastError());
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    (void)std::fprintf(stderr, "usage: thread_priorities <image name>\n");
    return 2;
  }
  const std::optional<DWORD> processId = FindOnlyProcess(argv[1]);
  if (!processId) return Fail("no single process runs that image");
  const Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *processId));
  const DWORD priorityClass = process.Valid() ? GetPriorityClass(process.Get()) : 0;
  if (priorityClass == 0) return Fail("the priority class cannot be read");
  const std::optional<DWORD> windowThread = SessionWindowThread(*processId);
  if (!windowThread) return Fail("the process has no session window");

  (void)std::printf("0x%lx %d", priorityClass, PriorityOf(*windowThread));
  for (const DWORD thread : ThreadsOf(*processId)) {
    if (thread != *windowThread) (void)std::printf(" %d", PriorityOf(thread));
  }
  (void)std::printf("\n");
  return 0;
}
