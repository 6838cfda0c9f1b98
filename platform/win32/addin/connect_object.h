// Velmora.Connect, the COM object Outlook creates: IDTExtensibility2 (dual)
// over the engine's Connect, and the public operations reached by name
// through IDispatch. Every method is a firewall returning an HRESULT.
#pragma once

#include <memory>

#include "addin/connect/connect.h"
#include "platform/win32/addin/extensibility.h"
#include "platform/win32/com/module_count.h"

namespace velmora::win32 {

// COM interfaces have no virtual destructor; objects delete themselves in
// Release, through their own type.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class ConnectObject final : public IDTExtensibility2 {
 public:
  // Created with one reference, which the caller owns.
  ConnectObject();
  ConnectObject(const ConnectObject&) = delete;
  ConnectObject& operator=(const ConnectObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argError) override;
  // IDTExtensibility2
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, int ConnectMode,
                                         IDispatch* AddInInst, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnDisconnection(int RemoveMode, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

 private:
  ~ConnectObject();
  HRESULT InvokeMember(DISPID id, DISPPARAMS* params, VARIANT* result);

  volatile LONG refs_ = 1;
  std::unique_ptr<Connect> engine_;
  ModuleObject counted_;
};

// Creates Velmora.Connect objects for COM.
class ConnectFactory final : public IClassFactory {
 public:
  ConnectFactory() = default;
  ConnectFactory(const ConnectFactory&) = delete;
  ConnectFactory& operator=(const ConnectFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ~ConnectFactory() = default;
  volatile LONG refs_ = 1;
  ModuleObject counted_;
};

#pragma GCC diagnostic pop

}  // namespace velmora::win32
