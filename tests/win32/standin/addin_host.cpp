#include "tests/win32/standin/addin_host.h"

namespace standin {

namespace {

const IID kIidExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

constexpr int kConnectStartup = 1;      // ext_cm_Startup
constexpr int kDisconnectShutdown = 0;  // ext_dm_HostShutdown

// The custom argument Outlook passes: an empty array of VARIANTs.
struct Custom {
  SAFEARRAY* a = ::SafeArrayCreateVector(VT_VARIANT, 0, 0);
  ~Custom() { ::SafeArrayDestroy(a); }
};

}  // namespace

std::vector<std::wstring> StartupAddins() {
  std::vector<std::wstring> out;
  HKEY key = nullptr;
  wchar_t name[256];
  ::RegOpenKeyExW(HKEY_CURRENT_USER, kAddinsKey, 0, KEY_READ, &key);
  for (DWORD i = 0, len = 256;
       key && ::RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) == 0;
       ++i, len = 256) {
    DWORD behavior = 0, size = sizeof behavior;
    if (::RegGetValueW(key, name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior, &size) ==
            ERROR_SUCCESS &&
        (behavior & 3) == 3)
      out.push_back(name);
  }
  if (key) ::RegCloseKey(key);
  return out;
}

AddinHost::~AddinHost() {
  if (addin_) Stop();
}

HRESULT AddinHost::Load(const std::wstring& progId) {
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(progId.c_str(), &clsid);
  if (SUCCEEDED(hr))
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidExtensibility2,
                            reinterpret_cast<void**>(addin_.put()));
  if (FAILED(hr)) return hr;
  entry_ = outlook_.AddInEntry();
  return S_OK;
}

HRESULT AddinHost::Connect() {
  Custom c;
  return addin_ ? addin_->OnConnection(outlook_.application(), kConnectStartup, entry_, &c.a)
                : E_POINTER;
}

HRESULT AddinHost::StartupComplete() {
  if (!addin_) return E_POINTER;
  Custom a, b;
  const HRESULT hr = addin_->OnAddInsUpdate(&a.a);
  const HRESULT hr2 = addin_->OnStartupComplete(&b.a);
  return FAILED(hr) ? hr : hr2;
}

HRESULT AddinHost::Start() {
  const HRESULT hr = Connect();
  return FAILED(hr) ? hr : StartupComplete();
}

HRESULT AddinHost::Stop() {
  if (!addin_) return E_POINTER;
  Custom a, b;
  const HRESULT hr = addin_->OnBeginShutdown(&a.a);
  const HRESULT hr2 = addin_->OnDisconnection(kDisconnectShutdown, &b.a);
  outlook_.AddInObject().reset();
  addin_.reset();
  return FAILED(hr) ? hr : hr2;
}

IDispatch* AddinHost::PublicObject() const {
  return outlook_.AddInObject().get();
}

AddinLibrary::AddinLibrary(const std::wstring& path) : module_(::LoadLibraryW(path.c_str())) {}

AddinLibrary::~AddinLibrary() {
  if (module_) ::FreeLibrary(module_);
}

HRESULT AddinLibrary::CallExport(const char* name) {
  if (!module_) return E_HANDLE;
  auto* f = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  return f ? f() : E_NOTIMPL;
}

std::wstring ClsidOfProgId(HKEY root, const std::wstring& progId) {
  wchar_t buf[64] = {};
  DWORD size = sizeof buf;
  ::RegGetValueW(root, (L"Software\\Classes\\" + progId + L"\\CLSID").c_str(), nullptr,
                 RRF_RT_REG_SZ, nullptr, buf, &size);
  return buf;
}

bool AddinLibrary::Mirror(const std::wstring& progId) {
  const std::wstring clsid = ClsidOfProgId(HKEY_CURRENT_USER, progId);
  if (clsid.empty()) return false;
  for (const std::wstring& sub :
       {L"Software\\Classes\\" + progId, L"Software\\Classes\\CLSID\\" + clsid}) {
    HKEY to = nullptr;
    const bool ok = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, sub.c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &to, nullptr) == ERROR_SUCCESS &&
                    ::RegCopyTreeW(HKEY_CURRENT_USER, sub.c_str(), to) == ERROR_SUCCESS;
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

}  // namespace standin
