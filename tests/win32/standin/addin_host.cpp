#include "tests/win32/standin/addin_host.h"

namespace standin {

const IID kIidExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

namespace {

constexpr int kConnectStartup = 1;      // ext_cm_Startup
constexpr int kDisconnectShutdown = 0;  // ext_dm_HostShutdown

// The custom argument Outlook passes: an empty array of VARIANTs.
class Custom {
 public:
  Custom() : a_(::SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
  ~Custom() {
    if (a_) ::SafeArrayDestroy(a_);
  }
  Custom(const Custom&) = delete;
  Custom& operator=(const Custom&) = delete;
  SAFEARRAY** get() { return &a_; }

 private:
  SAFEARRAY* a_;
};

std::wstring ReadString(HKEY key, const wchar_t* sub, const wchar_t* name) {
  wchar_t buf[1024] = {};
  DWORD size = sizeof buf;
  if (::RegGetValueW(key, sub, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
    return {};
  return buf;
}

}  // namespace

std::vector<std::wstring> StartupAddins() {
  std::vector<std::wstring> out;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kAddinsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return out;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD len = 256;
    if (::RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    DWORD behavior = 0;
    DWORD size = sizeof behavior;
    if (::RegGetValueW(key, name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior, &size) ==
            ERROR_SUCCESS &&
        (behavior & 3) == 3)
      out.push_back(name);
  }
  ::RegCloseKey(key);
  return out;
}

AddinHost::~AddinHost() {
  if (addin_) Stop();
}

HRESULT AddinHost::Load(const std::wstring& progId) {
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(progId.c_str(), &clsid);
  if (FAILED(hr)) return hr;
  Ref<IUnknown> unknown;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(unknown.put()));
  if (FAILED(hr)) return hr;
  hr = unknown->QueryInterface(kIidExtensibility2, reinterpret_cast<void**>(addin_.put()));
  if (FAILED(hr)) return hr;
  progId_ = progId;
  entry_ = outlook_.AddInEntry(progId);
  return S_OK;
}

HRESULT AddinHost::Connect() {
  if (!addin_) return E_POINTER;
  Custom custom;
  return addin_->OnConnection(outlook_.application(), kConnectStartup, entry_, custom.get());
}

HRESULT AddinHost::StartupComplete() {
  if (!addin_) return E_POINTER;
  Custom a, b;
  const HRESULT hr = addin_->OnAddInsUpdate(a.get());
  const HRESULT hr2 = addin_->OnStartupComplete(b.get());
  return FAILED(hr) ? hr : hr2;
}

HRESULT AddinHost::Start() {
  const HRESULT hr = Connect();
  if (FAILED(hr)) return hr;
  return StartupComplete();
}

HRESULT AddinHost::Stop() {
  if (!addin_) return E_POINTER;
  Custom a, b;
  const HRESULT hr = addin_->OnBeginShutdown(a.get());
  const HRESULT hr2 = addin_->OnDisconnection(kDisconnectShutdown, b.get());
  outlook_.ClearAddInObjects();
  addin_.reset();
  return FAILED(hr) ? hr : hr2;
}

IDispatch* AddinHost::PublicObject() const {
  return outlook_.AddInObject(progId_);
}

AddinLibrary::AddinLibrary(const std::wstring& path)
    : path_(path), module_(::LoadLibraryW(path.c_str())) {}

AddinLibrary::~AddinLibrary() {
  if (module_) ::FreeLibrary(module_);
}

HRESULT AddinLibrary::CallExport(const char* name) {
  if (!module_) return E_HANDLE;
  auto* f = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  return f ? f() : E_NOTIMPL;
}

HRESULT AddinLibrary::Register() {
  return CallExport("DllRegisterServer");
}
HRESULT AddinLibrary::Unregister() {
  return CallExport("DllUnregisterServer");
}
HRESULT AddinLibrary::CanUnloadNow() {
  return CallExport("DllCanUnloadNow");
}

std::wstring ClsidOfProgId(HKEY root, const std::wstring& progId) {
  return ReadString(root, (L"Software\\Classes\\" + progId + L"\\CLSID").c_str(), nullptr);
}

bool AddinLibrary::Mirror(const std::wstring& progId) {
  const std::wstring clsid = ClsidOfProgId(HKEY_CURRENT_USER, progId);
  if (clsid.empty()) return false;
  for (const std::wstring& sub :
       {L"Software\\Classes\\" + progId, L"Software\\Classes\\CLSID\\" + clsid}) {
    HKEY from = nullptr, to = nullptr;
    bool ok =
        ::RegOpenKeyExW(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_READ, &from) == ERROR_SUCCESS &&
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &to, nullptr) == ERROR_SUCCESS &&
        ::RegCopyTreeW(from, nullptr, to) == ERROR_SUCCESS;
    if (from) ::RegCloseKey(from);
    if (to) ::RegCloseKey(to);
    if (!ok) return false;
  }
  return true;
}

void AddinLibrary::Unmirror(const std::wstring& progId) {
  const std::wstring clsid = ClsidOfProgId(HKEY_LOCAL_MACHINE, progId);
  if (!clsid.empty())
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\CLSID\\" + clsid).c_str());
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + progId).c_str());
}

int TickAddinTimers() {
  int windows = 0;
  HWND w = nullptr;
  while ((w = ::FindWindowExW(HWND_MESSAGE, w, L"VelmoraTimerWindow", nullptr)) != nullptr) {
    if (::GetWindowThreadProcessId(w, nullptr) != ::GetCurrentThreadId()) continue;
    ++windows;
    // Timer ids count up from 1; a tick for a timer that is off is dropped.
    for (WPARAM id = 1; id <= 64; ++id)
      ::PostMessageW(w, WM_TIMER, id, 0);
  }
  return windows;
}

namespace {

std::vector<HWND> g_closed;

BOOL CALLBACK CloseOne(HWND w, LPARAM) {
  wchar_t cls[32] = {};
  ::GetClassNameW(w, cls, 32);
  if (std::wstring(cls) != L"#32770") return TRUE;
  for (HWND c : g_closed)
    if (c == w) return TRUE;
  g_closed.push_back(w);
  wchar_t text[1024] = {};
  ::GetDlgItemTextW(w, 0xFFFF, text, 1024);  // the message's static control
  MessageBoxCloser::Texts().push_back(text);
  ::PostMessageW(w, WM_COMMAND, IDOK, 0);
  return TRUE;
}

void CALLBACK CloseBoxes(HWND, UINT, UINT_PTR, DWORD) {
  ::EnumThreadWindows(::GetCurrentThreadId(), CloseOne, 0);
}

}  // namespace

MessageBoxCloser::MessageBoxCloser() : timer_(::SetTimer(nullptr, 0, 100, CloseBoxes)) {}

MessageBoxCloser::~MessageBoxCloser() {
  ::KillTimer(nullptr, timer_);
}

std::vector<std::wstring>& MessageBoxCloser::Texts() {
  static std::vector<std::wstring> texts;
  return texts;
}

}  // namespace standin
