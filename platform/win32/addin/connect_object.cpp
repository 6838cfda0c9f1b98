#include "platform/win32/addin/connect_object.h"

#include <cwchar>
#include <new>
#include <string>

#include "common/host_error.h"
#include "common/trap.h"
#include "platform/win32/addin/addin_runtime.h"
#include "platform/win32/com/dispatch.h"
#include "platform/win32/com/event_sink.h"
#include "platform/win32/outlook/outlook_adapters.h"

namespace velmora::win32 {

namespace {

// Runs one call from the host; nothing it throws crosses back into the host.
template <class F>
HRESULT Guard(const char* where, F&& f) noexcept {
  try {
    return std::forward<F>(f)();
  } catch (const std::bad_alloc&) {
    LogCurrentError(where);
    return E_OUTOFMEMORY;
  } catch (...) {
    LogCurrentError(where);
    return E_UNEXPECTED;
  }
}

struct NamedId {
  const wchar_t* name;
  DISPID id;
};
constexpr NamedId kNames[] = {
    {L"OnConnection", addin_dispid::kOnConnection},
    {L"OnDisconnection", addin_dispid::kOnDisconnection},
    {L"OnAddInsUpdate", addin_dispid::kOnAddInsUpdate},
    {L"OnStartupComplete", addin_dispid::kOnStartupComplete},
    {L"OnBeginShutdown", addin_dispid::kOnBeginShutdown},
    {L"SendAll", addin_dispid::kSendAll},
    {L"OnInspectorTimer", addin_dispid::kOnInspectorTimer},
    {L"OnTimer", addin_dispid::kOnTimer},
    {L"OnExitTimer", addin_dispid::kOnExitTimer},
};

void FillException(EXCEPINFO* info, const ErrorInfo& e) noexcept {
  if (!info) return;
  *info = EXCEPINFO{};
  info->bstrSource = ::SysAllocString(L"Velmora.Connect");
  try {
    info->bstrDescription = MakeBstr(e.description).release();
  } catch (...) {
  }
  info->scode = E_FAIL;
}

}  // namespace

ConnectObject::ConnectObject() : engine_(CreateEngineConnect()) {}

ConnectObject::~ConnectObject() {
  // The class's Terminate: the engine's own steps ignore their errors.
  Ignore([this] { engine_.reset(); });
}

HRESULT ConnectObject::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kIID_IDTExtensibility2) {
    *out = static_cast<IDTExtensibility2*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG ConnectObject::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&refs_));
}

ULONG ConnectObject::Release() {
  const LONG n = ::InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT ConnectObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT ConnectObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT ConnectObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  if (count == 0) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i)
    ids[i] = DISPID_UNKNOWN;
  // Only the member name is looked up; argument names are not known.
  for (const NamedId& n : kNames)
    if (names[0] && ::_wcsicmp(names[0], n.name) == 0) {
      ids[0] = n.id;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  hr = DISP_E_UNKNOWNNAME;
  return hr;
}

HRESULT ConnectObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* info, UINT*) {
  if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
  try {
    return InvokeMember(id, params, result);
  } catch (...) {
    LogCurrentError("Connect.Invoke");
    FillException(info, DescribeCurrentException());
    return DISP_E_EXCEPTION;
  }
}

HRESULT ConnectObject::InvokeMember(DISPID id, DISPPARAMS* params, VARIANT* result) {
  DISPPARAMS none{};
  const EventArgs args(params ? params : &none);
  auto expect = [&](unsigned n) { return args.Count() == n; };
  switch (id) {
    case addin_dispid::kOnConnection: {
      if (args.Count() < 3 || args.Count() > 4) return DISP_E_BADPARAMCOUNT;
      return OnConnection(args.Object(0).get(), args.Int(1), args.Object(2).get(), nullptr);
    }
    case addin_dispid::kOnDisconnection:
      if (args.Count() < 1 || args.Count() > 2) return DISP_E_BADPARAMCOUNT;
      return OnDisconnection(args.Int(0), nullptr);
    case addin_dispid::kOnAddInsUpdate:
      return OnAddInsUpdate(nullptr);
    case addin_dispid::kOnStartupComplete:
      return OnStartupComplete(nullptr);
    case addin_dispid::kOnBeginShutdown:
      return OnBeginShutdown(nullptr);
    case addin_dispid::kSendAll: {
      if (!expect(0)) return DISP_E_BADPARAMCOUNT;
      const bool sent = engine_->SendAll();
      if (result) {
        ::VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = sent ? VARIANT_TRUE : VARIANT_FALSE;
      }
      return S_OK;
    }
    case addin_dispid::kOnInspectorTimer:
      if (!expect(0)) return DISP_E_BADPARAMCOUNT;
      engine_->OnInspectorTimer();
      return S_OK;
    case addin_dispid::kOnTimer:
      if (!expect(0)) return DISP_E_BADPARAMCOUNT;
      engine_->OnTimer();
      return S_OK;
    case addin_dispid::kOnExitTimer:
      if (!expect(0)) return DISP_E_BADPARAMCOUNT;
      engine_->OnExitTimer();
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT ConnectObject::OnConnection(IDispatch* Application, int ConnectMode, IDispatch* AddInInst,
                                    SAFEARRAY**) {
  return Guard("Connect.AddinInstance_OnConnection", [&] {
    InstallPortsOnce();
    engine_->OnConnection(WrapApplication(Application), ConnectMode,
                          WrapComAddIn(AddInInst, static_cast<IDispatch*>(this)));
    return S_OK;
  });
}

HRESULT ConnectObject::OnDisconnection(int RemoveMode, SAFEARRAY**) {
  return Guard("Connect.AddinInstance_OnDisconnection", [&] {
    engine_->OnDisconnection(RemoveMode);
    return S_OK;
  });
}

HRESULT ConnectObject::OnAddInsUpdate(SAFEARRAY**) {
  return S_OK;
}

HRESULT ConnectObject::OnStartupComplete(SAFEARRAY**) {
  return Guard("AddinInstance_OnStartupComplete", [&] {
    engine_->OnStartupComplete();
    return S_OK;
  });
}

HRESULT ConnectObject::OnBeginShutdown(SAFEARRAY**) {
  return Guard("AddinInstance_OnBeginShutdown", [&] {
    engine_->OnBeginShutdown();
    return S_OK;
  });
}

// Class factory -------------------------------------------------------------

HRESULT ConnectFactory::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG ConnectFactory::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&refs_));
}

ULONG ConnectFactory::Release() {
  const LONG n = ::InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT ConnectFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return Guard("Connect.CreateInstance", [&] {
    auto* object = new ConnectObject();
    const HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
  });
}

HRESULT ConnectFactory::LockServer(BOOL lock) {
  if (lock)
    ModuleAddRef();
  else
    ModuleRelease();
  return S_OK;
}

}  // namespace velmora::win32
