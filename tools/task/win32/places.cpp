#include "places.h"

#include <windows.h>

#include <shlobj.h>
#define SECURITY_WIN32
#include <security.h>

#include <array>

namespace task::win32 {
namespace {

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

std::wstring OwnFolder() {
  // Long enough for any path the installer makes; a longer one is cut and
  // the program beside it will not be found, which the log then says.
  std::array<wchar_t, 32768> path{};
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  const std::wstring_view own(path.data(), length);
  return std::wstring(own.substr(0, own.find_last_of(L'\\')));
}

}  // namespace

Places FindPlaces() {
  return {.programFolder = OwnFolder(),
          .workingFolder = KnownFolder(FOLDERID_RoamingAppData) + L"\\morvane",
          .logFolder = KnownFolder(FOLDERID_LocalAppData) + L"\\morvane"};
}

std::wstring CurrentUser() {
  std::array<wchar_t, 512> name{};
  auto length = static_cast<ULONG>(name.size());
  if (GetUserNameExW(NameSamCompatible, name.data(), &length)) return {name.data(), length};
  return {};
}

void MakeFolder(const std::wstring& folder) { CreateDirectoryW(folder.c_str(), nullptr); }

}  // namespace task::win32
