#include "scheduler.h"

#include <taskschd.h>

namespace task::win32 {
namespace {

constexpr wchar_t kTaskName[] = L"morvane";

// A reference to a COM object, released when it goes.
template <class Interface>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (object_ != nullptr) object_->Release();
  }
  Interface* operator->() const { return object_; }
  Interface** Out() { return &object_; }
  void** OutVoid() { return reinterpret_cast<void**>(&object_); }  // NOLINT

 private:
  Interface* object_ = nullptr;
};

// A string as COM hands it over, freed when it goes.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text)
      : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(text_); }
  operator BSTR() const { return text_; }  // NOLINT(google-explicit-constructor)

 private:
  BSTR text_;
};

// COM for this thread, for as long as it lives.
class ComSession {
 public:
  ComSession() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {
    // What the scheduler asks of its callers; a second call is refused and
    // changes nothing.
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, 0, nullptr);
  }
  ComSession(const ComSession&) = delete;
  ComSession& operator=(const ComSession&) = delete;
  ~ComSession() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

// Connected as the user who runs the launcher; no account or password is
// named.
HRESULT RootFolder(ComRef<ITaskFolder>& root) {
  ComRef<ITaskService> service;
  HRESULT result = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskService, service.OutVoid());
  const VARIANT none{};
  if (SUCCEEDED(result)) result = service->Connect(none, none, none, none);
  if (SUCCEEDED(result)) result = service->GetFolder(Bstr(L"\\"), root.Out());
  return result;
}

}  // namespace

HRESULT RegisterTask(const std::wstring& definition) {
  const ComSession com;
  ComRef<ITaskFolder> root;
  HRESULT result = com.Result();
  if (SUCCEEDED(result)) result = RootFolder(root);
  if (FAILED(result)) return result;
  ComRef<IRegisteredTask> registered;
  const VARIANT none{};
  // The definition's principal runs it with the interactive user's token:
  // no password is stored.
  return root->RegisterTask(Bstr(kTaskName), Bstr(definition), TASK_CREATE_OR_UPDATE, none, none,
                            TASK_LOGON_INTERACTIVE_TOKEN, none, registered.Out());
}

HRESULT RunTask() {
  const ComSession com;
  ComRef<ITaskFolder> root;
  HRESULT result = com.Result();
  if (SUCCEEDED(result)) result = RootFolder(root);
  ComRef<IRegisteredTask> registered;
  if (SUCCEEDED(result)) result = root->GetTask(Bstr(kTaskName), registered.Out());
  if (FAILED(result)) return result;
  ComRef<IRunningTask> running;
  return registered->Run(VARIANT{}, running.Out());
}

HRESULT DeleteTask() {
  const ComSession com;
  ComRef<ITaskFolder> root;
  HRESULT result = com.Result();
  if (SUCCEEDED(result)) result = RootFolder(root);
  if (SUCCEEDED(result)) result = root->DeleteTask(Bstr(kTaskName), 0);
  return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : result;
}

}  // namespace task::win32
