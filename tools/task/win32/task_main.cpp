// morvane-task: what Task Scheduler starts, and the verbs that the installer
// and the Start menu's shortcuts call.
//
//   morvane-task              runs morvane.exe without a window, its text to the log
//   morvane-task install      writes morvane-task.xml, registers the task and starts it
//   morvane-task uninstall    stops morvane and removes the task
//   morvane-task start        starts the task
//   morvane-task stop         ends every running morvane with the lamp dark
//
// A Windows program (no console): what it has to say goes to the log, and
// its exit status says how it went: with no verb the program's own, else 0
// when done and 1 when not.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <string_view>

#include "log_file.h"
#include "places.h"
#include "platform/win32/code_pages.h"
#include "program_run.h"
#include "scheduler.h"
#include "stopping.h"
#include "task_definition.h"

namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;
using task::win32::Places;

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

std::string Utf8(const std::wstring& text) { return FromWide(text, CP_UTF8); }

void Log(const Places& places, std::string_view text) {
  task::win32::MakeFolder(places.logFolder);
  task::win32::AppendToLog(places.logFolder, text);
}

void LogFailure(const Places& places, std::string_view failed, std::uint32_t code) {
  task::win32::MakeFolder(places.logFolder);
  task::win32::AppendFailureToLog(places.logFolder, failed, code);
}

// Logs done when code is S_OK, else failed with the system's reason.
bool Report(const Places& places, HRESULT code, std::string_view done, std::string_view failed) {
  if (FAILED(code)) {
    LogFailure(places, failed, static_cast<std::uint32_t>(code));
    return false;
  }
  Log(places, done);
  return true;
}

std::wstring Definition(const Places& places) {
  return ToWide(
      task::TaskDefinition({.userId = Utf8(task::win32::CurrentUser()),
                            .launcher = Utf8(places.programFolder + L"\\morvane-task.exe"),
                            .workingFolder = Utf8(places.workingFolder)}),
      CP_UTF8);
}

// UTF-16 with its byte-order mark and CR LF, as Task Scheduler exports a
// task, so that an administrator can import it as it is.
bool WriteDefinitionFile(const std::wstring& path, const std::wstring& definition) {
  std::wstring text = L"\xfeff<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n";
  for (const wchar_t c : definition) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const auto bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), bytes, &written, nullptr) && written == bytes;
  CloseHandle(file);
  return ok;
}

bool Start(const Places& places) {
  return Report(places, task::win32::RunTask(), "タスク「\\morvane」を開始しました。",
                "タスク「\\morvane」を開始できませんでした。");
}

bool Stop(const Places& places) {
  if (task::win32::StopPrograms()) return true;
  Log(places, "morvane が終了しませんでした。");
  return false;
}

int Install(const Places& places) {
  const std::wstring definition = Definition(places);
  const std::wstring file = places.programFolder + L"\\morvane-task.xml";
  const bool written = WriteDefinitionFile(file, definition);
  if (!written) LogFailure(places, "morvane-task.xml を書き込めませんでした。", GetLastError());
  if (!Report(places, task::win32::RegisterTask(definition), "タスク「\\morvane」を登録しました。",
              "タスク「\\morvane」を登録できませんでした。")) {
    return kFailed;
  }
  return Start(places) && written ? kDone : kFailed;
}

int Uninstall(const Places& places) {
  const bool stopped = Stop(places);
  const bool removed =
      Report(places, task::win32::DeleteTask(), "タスク「\\morvane」を削除しました。",
             "タスク「\\morvane」を削除できませんでした。");
  return stopped && removed ? kDone : kFailed;
}

int RunVerb(std::wstring_view verb, const Places& places) {
  if (verb == L"install") return Install(places);
  if (verb == L"uninstall") return Uninstall(places);
  if (verb == L"start") return Start(places) ? kDone : kFailed;
  if (verb == L"stop") return Stop(places) ? kDone : kFailed;
  Log(places, "使い方: morvane-task [install | uninstall | start | stop]");
  return kUsage;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
  const Places places = task::win32::FindPlaces();
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const std::wstring verb = arguments != nullptr && count > 1 ? arguments[1] : L"";
  LocalFree(static_cast<HLOCAL>(arguments));
  if (verb.empty()) return task::win32::RunProgram(places);
  return RunVerb(verb, places);
}
