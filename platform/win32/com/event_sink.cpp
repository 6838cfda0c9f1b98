#include "platform/win32/com/event_sink.h"

#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <utility>

#include "common/host_error.h"
#include "common/trap.h"
#include "platform/win32/com/dispatch.h"
#include "platform/win32/com/module_count.h"

namespace velmora::win32 {

// EventArgs -----------------------------------------------------------------

VARIANT& EventArgs::Mutable(unsigned i) const {
  if (i >= Count()) Raise(450, "Wrong number of arguments or invalid property assignment");
  // DISPPARAMS holds the arguments last to first.
  return params_->rgvarg[params_->cArgs - 1 - i];
}

const VARIANT& EventArgs::At(unsigned i) const {
  return Mutable(i);
}

ComPtr<IDispatch> EventArgs::Object(unsigned i) const {
  return ToObject(At(i));
}

std::int32_t EventArgs::Int(unsigned i) const {
  return ToInt(At(i));
}

std::string EventArgs::Text(unsigned i) const {
  return ToText(At(i));
}

bool EventArgs::BoolRef(unsigned i) const {
  return ToBool(At(i));
}

void EventArgs::SetBoolRef(unsigned i, bool value) const {
  VARIANT& v = Mutable(i);
  const VARIANT_BOOL b = value ? VARIANT_TRUE : VARIANT_FALSE;
  if (v.vt == (VT_BOOL | VT_BYREF) && v.pboolVal) {
    *v.pboolVal = b;
  } else if (v.vt == (VT_VARIANT | VT_BYREF) && v.pvarVal) {
    ::VariantClear(v.pvarVal);
    v.pvarVal->vt = VT_BOOL;
    v.pvarVal->boolVal = b;
  } else {
    Raise(err::kTypeMismatch, "Type mismatch (a by-reference Boolean was expected)");
  }
}

namespace {

// COM interfaces have no virtual destructor; objects delete themselves in
// Release, through their own type.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Sink final : public IDispatch {
 public:
  Sink(IID iid, DISPID dispid, const char* where, EventHandler handler)
      : iid_(iid), dispid_(dispid), where_(where), handler_(std::move(handler)) {}
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  // After this no event reaches the handler, even one the source already
  // has on its way.
  void Disconnect() noexcept { handler_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == iid_) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    // Events this sink does not handle are answered, not refused: the
    // source raises every event of the interface to every sink.
    if (id != dispid_ || !handler_) return S_OK;
    // The handler may drop its own subscription: keep the sink and a copy
    // of the handler alive until it returns.
    AddRef();
    Firewall(where_, [&] {
      const EventHandler handler = handler_;
      handler(EventArgs(params));
    });
    Release();
    return S_OK;
  }

 private:
  ~Sink() = default;

  volatile LONG refs_ = 1;
  IID iid_;
  DISPID dispid_;
  const char* where_;
  EventHandler handler_;
  ModuleObject counted_;
};
#pragma GCC diagnostic pop

class Connection final : public host::Subscription {
 public:
  Connection(ComPtr<IConnectionPoint> point, DWORD cookie, Sink* sink)
      : point_(std::move(point)), cookie_(cookie), sink_(ComPtr<Sink>::Retain(sink)) {}
  ~Connection() override {
    sink_->Disconnect();
    // A source already gone (the host closing) may refuse; nothing is held then.
    point_->Unadvise(cookie_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

 private:
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_;
  ComPtr<Sink> sink_;
};

}  // namespace

host::SubscriptionPtr Advise(IDispatch* source, std::initializer_list<IID> iids, DISPID dispid,
                             const char* where, EventHandler handler) {
  if (!source) Raise(err::kObjectNotSet, std::string("Object variable not set (") + where + ")");
  auto container = ComPtr<IDispatch>::Retain(source).As<IConnectionPointContainer>(
      IID_IConnectionPointContainer);
  if (!container)
    Raise(err::kAutomation, std::string("The object raises no events (") + where + ")");
  HRESULT hr = CONNECT_E_NOCONNECTION;
  for (const IID& iid : iids) {
    ComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(iid, point.put());
    if (FAILED(hr) || !point) continue;
    auto sink = ComPtr<Sink>::Attach(new Sink(iid, dispid, where, std::move(handler)));
    DWORD cookie = 0;
    hr = point->Advise(sink.get(), &cookie);
    if (FAILED(hr)) throw ErrorFromHresult(hr, nullptr, where);
    return std::make_unique<Connection>(std::move(point), cookie, sink.get());
  }
  throw ErrorFromHresult(hr, nullptr, where);
}

}  // namespace velmora::win32
