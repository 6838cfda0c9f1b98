// The add-in library's entry points: COM activation, unloading, and
// per-user registration. Each is a firewall returning an HRESULT.
#include <windows.h>

#include <olectl.h>

#include <new>

#include "common/trap.h"
#include "platform/win32/adapters/module_path.h"
#include "platform/win32/addin/addin_runtime.h"
#include "platform/win32/addin/connect_object.h"
#include "platform/win32/com/module_count.h"
#include "platform/win32/com/registration.h"

using namespace velmora;
using namespace velmora::win32;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    SetModule(instance);
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kAddinClsid) return CLASS_E_CLASSNOTAVAILABLE;
  try {
    auto* factory = new ConnectFactory();
    const HRESULT hr = factory->QueryInterface(riid, out);
    factory->Release();
    return hr;
  } catch (...) {
    LogCurrentError("DllGetClassObject");
    return E_OUTOFMEMORY;
  }
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return ModuleCount() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  try {
    const auto path = ModuleFile();
    if (path.empty()) return SELFREG_E_CLASS;
    return RegisterAddin(HKEY_CURRENT_USER, path.wstring());
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return UnregisterAddin(HKEY_CURRENT_USER);
}
