#include "find_process.h"

#include <tlhelp32.h>

#include <cwchar>

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
