// Loading a COM add-in the way Outlook does: the add-ins to load at startup
// come from the current user's Addins key, each is created by its ProgID
// through COM, and its IDTExtensibility2 methods are called in Outlook's
// order on this STA thread. Also the add-in library's registration entry
// points, for the tests that check them.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/win32/standin/dispatch_object.h"
#include "tests/win32/standin/outlook_model.h"

namespace standin {

// The add-in interface of the AddInDesignerObjects library (dual, after
// IDispatch's seven slots). mingw has no header for it.
struct IDTExtensibility2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, int connectMode,
                                                 IDispatch* addInInst, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(int removeMode, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

inline constexpr const wchar_t* kAddinsKey = L"Software\\Microsoft\\Office\\Outlook\\Addins";

// The ProgIDs whose LoadBehavior says "load at startup" (3).
std::vector<std::wstring> StartupAddins();

class AddinHost {
 public:
  explicit AddinHost(Outlook& outlook) : outlook_(outlook) {}
  ~AddinHost();
  AddinHost(const AddinHost&) = delete;
  AddinHost& operator=(const AddinHost&) = delete;

  // Creates the add-in by ProgID and gives it its add-in entry.
  HRESULT Load(const std::wstring& progId);
  // OnConnection (startup), OnAddInsUpdate, OnStartupComplete; the first
  // failing HRESULT, else S_OK.
  HRESULT Start();
  HRESULT Connect();
  HRESULT StartupComplete();
  // OnBeginShutdown, OnDisconnection (host shutdown), then every reference
  // to the add-in goes, the entry's Object included.
  HRESULT Stop();
  bool loaded() const { return addin_.get() != nullptr; }
  // The add-in's own object as automation clients reach it (COMAddIn.Object).
  IDispatch* PublicObject() const;

 private:
  Outlook& outlook_;
  Ref<IDTExtensibility2> addin_;
  IDispatch* entry_ = nullptr;
};

// The add-in library itself, loaded for its registration entry points.
class AddinLibrary {
 public:
  explicit AddinLibrary(const std::wstring& path);
  ~AddinLibrary();
  AddinLibrary(const AddinLibrary&) = delete;
  AddinLibrary& operator=(const AddinLibrary&) = delete;
  bool loaded() const { return module_ != nullptr; }
  HRESULT Register() { return CallExport("DllRegisterServer"); }
  HRESULT Unregister() { return CallExport("DllUnregisterServer"); }
  HRESULT CanUnloadNow() { return CallExport("DllCanUnloadNow"); }
  // Copies the class keys registration wrote under the user's classes to
  // the machine's, which is the only class view Wine's COM reads; Unmirror
  // takes them away again.
  bool Mirror(const std::wstring& progId);
  void Unmirror(const std::wstring& progId);

 private:
  HRESULT CallExport(const char* name);
  HMODULE module_ = nullptr;
};

// The class id text "{...}" a ProgID's CLSID key names under `root`'s
// Software\Classes, or empty.
std::wstring ClsidOfProgId(HKEY root, const std::wstring& progId);

// Ticks every running timer of the add-in now (its timers are window timers
// on message-only windows of the class "VelmoraTimerWindow"): time moves on
// without the test sleeping. The ticks arrive through the message loop.
int TickAddinTimers();

}  // namespace standin
