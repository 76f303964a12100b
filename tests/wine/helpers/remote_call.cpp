#include "remote_call.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

#include "find_process.h"

namespace {

constexpr DWORD kThreadWaitMs = 10000;

BYTE* FindModule(DWORD processId, const wchar_t* moduleName) {
  const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  if (!snapshot.Valid()) return nullptr;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Module32FirstW(snapshot.Get(), &entry); more;
       more = Module32NextW(snapshot.Get(), &entry)) {
    if (_wcsicmp(entry.szModule, moduleName) == 0) return entry.modBaseAddr;
  }
  return nullptr;
}

std::wstring BesideThisProgram(const wchar_t* fileName) {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  path.resize(length);
  path.erase(path.find_last_of(L"\\/") + 1);
  return path + fileName;
}

std::optional<DWORD> RunRemoteThread(HANDLE process, LPTHREAD_START_ROUTINE start,
                                     LPVOID argument) {
  const Handle thread(CreateRemoteThread(process, nullptr, 0, start, argument, 0, nullptr));
  if (!thread.Valid() || WaitForSingleObject(thread.Get(), kThreadWaitMs) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD exitCode = 0;
  if (!GetExitCodeThread(thread.Get(), &exitCode)) return std::nullopt;
  return exitCode;
}

// kernel32 lies at the same address in every process, so LoadLibraryW's
// address here is its address there. The detour through a plain function
// pointer type tells the compiler that the signature is known to fit.
LPTHREAD_START_ROUTINE LoadLibraryAddress() {
  const FARPROC address = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW");
  return reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(address));
}

// Whether the module did load shows in the process's module list
// afterwards: the thread's exit code holds only the low half of
// LoadLibraryW's result.
void LoadInto(HANDLE process, const std::wstring& dllPath) {
  const SIZE_T bytes = (dllPath.size() + 1) * sizeof(wchar_t);
  void* remotePath =
      VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remotePath == nullptr) return;
  if (WriteProcessMemory(process, remotePath, dllPath.c_str(), bytes, nullptr)) {
    RunRemoteThread(process, LoadLibraryAddress(), remotePath);
  }
  VirtualFreeEx(process, remotePath, 0, MEM_RELEASE);
}

// Where the export lies in the program: its distance from the module's base
// is the same in every process that loads the module.
LPTHREAD_START_ROUTINE RemoteExport(BYTE* remoteBase, const std::wstring& dllPath,
                                    const char* exportName) {
  const HMODULE local = LoadLibraryW(dllPath.c_str());
  if (local == nullptr) return nullptr;
  const auto* exported = reinterpret_cast<const BYTE*>(GetProcAddress(local, exportName));
  if (exported == nullptr) return nullptr;
  const auto offset = exported - reinterpret_cast<const BYTE*>(local);
  return reinterpret_cast<LPTHREAD_START_ROUTINE>(remoteBase + offset);
}

int Fail(const char* helper, const char* what) {
  (void)std::fprintf(stderr, "%s: %s (error %lu)\n", helper, what, GetLastError());
  return 1;
}

}  // namespace

int CallInProgram(const char* helper, const wchar_t* imageName, const wchar_t* dllName,
                  const char* exportName, std::uintptr_t argument) {
  const std::optional<DWORD> processId = FindOnlyProcess(imageName);
  if (!processId) return Fail(helper, "no single process runs that image");
  const Handle process(OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION |
                                       PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                   FALSE, *processId));
  if (!process.Valid()) return Fail(helper, "the process cannot be opened");

  const std::wstring dllPath = BesideThisProgram(dllName);
  if (FindModule(*processId, dllName) == nullptr) LoadInto(process.Get(), dllPath);
  BYTE* const remoteBase = FindModule(*processId, dllName);
  if (remoteBase == nullptr) return Fail(helper, "the module cannot be loaded into the process");
  const LPTHREAD_START_ROUTINE start = RemoteExport(remoteBase, dllPath, exportName);
  if (start == nullptr) return Fail(helper, "the export is not found");

  // The thread's argument carries the value itself, not an address.
  const std::optional<DWORD> error =
      RunRemoteThread(process.Get(), start,
                      reinterpret_cast<LPVOID>(argument));  // NOLINT(performance-no-int-to-ptr)
  if (!error) return Fail(helper, "the thread that runs the export did not finish");
  if (*error != 0) {
    SetLastError(*error);
    return Fail(helper, "the export failed");
  }
  return 0;
}
