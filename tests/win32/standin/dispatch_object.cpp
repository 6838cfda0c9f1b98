#include "tests/win32/standin/dispatch_object.h"

#include <olectl.h>

#include <algorithm>
#include <set>

namespace standin {

namespace {

// {6F1D2C4A-9E53-4B7A-8C21-5D7E0A9B3F10}: answered only by stand-in objects,
// so a pointer a client hands back can be told from a foreign one.
const IID kIidStandinObject = {
    0x6f1d2c4a, 0x9e53, 0x4b7a, {0x8c, 0x21, 0x5d, 0x7e, 0x0a, 0x9b, 0x3f, 0x10}};

std::set<Object*>& Live() {
  static std::set<Object*> live;
  return live;
}
std::map<std::wstring, HRESULT>& Failures() {
  static std::map<std::wstring, HRESULT> f;
  return f;
}
std::map<std::wstring, int>& Calls() {
  static std::map<std::wstring, int> c;
  return c;
}
int g_advised = 0;

void Protocol(const std::wstring& where, const std::wstring& what) {
  ProtocolErrors().push_back(where + L": " + what);
}

// The argument itself, through one level of by-reference VARIANT.
const VARIANT* Deref(const VARIANT* v) {
  if (v && v->vt == (VT_BYREF | VT_VARIANT)) return v->pvarVal;
  return v;
}

bool Missing(const VARIANT* v) {
  v = Deref(v);
  return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND;
}

bool Accepts(const ArgSpec& arg, const VARIANT* v) {
  const VARTYPE vt = Deref(v)->vt;
  for (VARTYPE t : arg.types)
    if (t == VT_VARIANT || t == vt || (t == VT_DISPATCH && vt == VT_UNKNOWN)) return true;
  return false;
}

HRESULT Excepinfo(EXCEPINFO* info, HRESULT code, const std::wstring& text) {
  if (info) {
    *info = EXCEPINFO{};
    info->bstrSource = ::SysAllocString(L"Outlook stand-in");
    info->bstrDescription = ::SysAllocString(text.c_str());
    info->scode = code;
  }
  return DISP_E_EXCEPTION;
}

bool IsProtocolCode(HRESULT hr) {
  return hr == DISP_E_TYPEMISMATCH || hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_UNKNOWNNAME ||
         hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_PARAMNOTOPTIONAL ||
         hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_NONAMEDARGS;
}

}  // namespace

const ArgSpec kLongArg{{VT_I4}};
const ArgSpec kStrArg{{VT_BSTR}};
const ArgSpec kBoolArg{{VT_BOOL}};
const ArgSpec kDispArg{{VT_DISPATCH}};
const ArgSpec kAnyArg{{VT_VARIANT}};
const ArgSpec kIndexArg{{VT_I4, VT_BSTR}};
const ArgSpec kDateArg{{VT_DATE}};

Variant Variant::Str(const std::wstring& s) {
  Variant v;
  v.v_.vt = VT_BSTR;
  v.v_.bstrVal = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  return v;
}
Variant Variant::Long(long n) {
  Variant v;
  v.v_.vt = VT_I4;
  v.v_.lVal = n;
  return v;
}
Variant Variant::Bool(bool b) {
  Variant v;
  v.v_.vt = VT_BOOL;
  v.v_.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
Variant Variant::Date(double d) {
  Variant v;
  v.v_.vt = VT_DATE;
  v.v_.date = d;
  return v;
}
Variant Variant::Double(double d) {
  Variant v;
  v.v_.vt = VT_R8;
  v.v_.dblVal = d;
  return v;
}
Variant Variant::Disp(IDispatch* d) {
  Variant v;
  v.v_.vt = VT_DISPATCH;
  v.v_.pdispVal = d;
  if (d) d->AddRef();
  return v;
}

void Fail(HRESULT hr, const std::wstring& description) {
  throw Failure{hr, description};
}

long Call::Long(std::size_t i) const {
  return Has(i) ? Deref(args[i])->lVal : 0;
}
std::wstring Call::Str(std::size_t i) const {
  if (!Has(i)) return {};
  const BSTR b = Deref(args[i])->bstrVal;
  return b ? std::wstring(b, ::SysStringLen(b)) : std::wstring();
}
bool Call::Bool(std::size_t i) const {
  return Has(i) && Deref(args[i])->boolVal != VARIANT_FALSE;
}
IDispatch* Call::Disp(std::size_t i) const {
  return Has(i) ? Deref(args[i])->pdispVal : nullptr;
}
bool Call::IsNumber(std::size_t i) const {
  return Has(i) && Deref(args[i])->vt == VT_I4;
}
void Call::Return(const Variant& v) {
  if (result) ::VariantCopy(result, const_cast<VARIANT*>(&v.get()));
}

static DISPID IdFor(const std::wstring& name) {
  static std::map<std::wstring, DISPID> ids = {
      {L"Application", 0xF000}, {L"Parent", 0xF001}, {L"Class", 0xF00A}, {L"Session", 0xF00B},
      {L"Count", 0x50},         {L"Item", 0x51},     {L"Remove", 0x54},  {L"Add", 0x5F}};
  const auto it = ids.find(name);
  if (it != ids.end()) return it->second;
  const DISPID id = 0x1000 + static_cast<DISPID>(ids.size());
  ids[name] = id;
  return id;
}

Table& Table::Get(const std::wstring& name, Handler h, std::vector<ArgSpec> args,
                  std::size_t required) {
  members_.push_back(
      Member{name, IdFor(name), kGet, std::move(args), required, {}, std::move(h), {}});
  return *this;
}
Table& Table::Prop(const std::wstring& name, ArgSpec value, Handler get, Handler put) {
  members_.push_back(Member{
      name, IdFor(name), kGet | kPut, {}, 0, std::move(value), std::move(get), std::move(put)});
  return *this;
}
Table& Table::Method(const std::wstring& name, std::vector<ArgSpec> args, std::size_t required,
                     Handler h) {
  members_.push_back(
      Member{name, IdFor(name), kMethod, std::move(args), required, {}, std::move(h), {}});
  return *this;
}
const Member* Table::Find(const std::wstring& name) const {
  for (const auto& m : members_)
    if (::CompareStringOrdinal(m.name.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return &m;
  return nullptr;
}
const Member* Table::Find(DISPID id) const {
  for (const auto& m : members_)
    if (m.id == id) return &m;
  return nullptr;
}

std::vector<std::wstring>& ProtocolErrors() {
  static std::vector<std::wstring> errors;
  return errors;
}
void FailCall(const std::wstring& name, HRESULT hr) {
  Failures()[name] = hr;
}
void ClearFailures() {
  Failures().clear();
}
int CallCount(const std::wstring& name) {
  const auto it = Calls().find(name);
  return it == Calls().end() ? 0 : it->second;
}
std::map<std::wstring, int> CallCounts() {
  return Calls();
}
void ResetCallCounts() {
  Calls().clear();
}

// A source interface of one object. Its references are the container's.
class ConnectionPoint : public IConnectionPoint {
 public:
  ConnectionPoint(Object& owner, REFIID iid) : owner_(owner), iid_(iid) {}
  ~ConnectionPoint() {
    for (auto& s : sinks_)
      s.second->Release();
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
      *out = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (!out) return E_POINTER;
    *out = &owner_;
    owner_.AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    // In one process the sink must answer for the event interface itself.
    IDispatch* d = nullptr;
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&d))) || !d) {
      Protocol(owner_.type() + L".Advise", L"the sink does not answer its event interface");
      return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = ++next_;
    sinks_[*cookie] = d;
    ++g_advised;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    const auto it = sinks_.find(cookie);
    if (it == sinks_.end()) {
      Protocol(owner_.type() + L".Unadvise", L"unknown cookie");
      return CONNECT_E_NOCONNECTION;
    }
    IDispatch* d = it->second;
    sinks_.erase(it);
    --g_advised;
    d->Release();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  const IID& iid() const { return iid_; }
  std::vector<Ref<IDispatch>> Snapshot() const {
    std::vector<Ref<IDispatch>> out;
    for (const auto& s : sinks_)
      out.emplace_back(s.second);
    return out;
  }

 private:
  Object& owner_;
  IID iid_;
  DWORD next_ = 0;
  std::map<DWORD, IDispatch*> sinks_;
};

Object::Object(const Table& table) : table_(table) {
  Live().insert(this);
}

Object::~Object() {
  Live().erase(this);
}

void Object::AddSource(REFIID iid) {
  points_.push_back(std::make_unique<ConnectionPoint>(*this, iid));
}

HRESULT Object::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == kIidStandinObject) {
    *out = this;  // no reference: only From reads it
    return S_OK;
  }
  if (riid == IID_IUnknown || riid == IID_IDispatch)
    *out = static_cast<IDispatch*>(this);
  else if (riid == IID_IConnectionPointContainer && !points_.empty())
    *out = static_cast<IConnectionPointContainer*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG Object::AddRef() {
  return static_cast<ULONG>(++refs_);
}

ULONG Object::Release() {
  const long n = --refs_;
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

Object* Object::From(IUnknown* p) {
  void* out = nullptr;
  if (!p || FAILED(p->QueryInterface(kIidStandinObject, &out))) return nullptr;
  return static_cast<Object*>(out);
}

HRESULT Object::GetTypeInfoCount(UINT* n) {
  if (!n) return E_POINTER;
  *n = 0;
  return S_OK;
}

HRESULT Object::GetTypeInfo(UINT, LCID, ITypeInfo**) {
  return E_NOTIMPL;
}

HRESULT Object::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    const Member* m = i == 0 ? table_.Find(names[0]) : nullptr;
    ids[i] = m ? m->id : DISPID_UNKNOWN;
    if (!m) {
      if (i == 0) Protocol(type() + L"." + names[0], L"unknown name");
      hr = DISP_E_UNKNOWNNAME;
    }
  }
  return hr;
}

HRESULT Object::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* info, UINT* argErr) {
  const Member* m = table_.Find(id);
  if (!m) {
    Protocol(type(), L"unknown dispatch id " + std::to_wstring(id));
    return DISP_E_MEMBERNOTFOUND;
  }
  const std::wstring name = type() + L"." + m->name;
  ++Calls()[name];
  if (result) ::VariantInit(result);
  for (const std::wstring& key : {name, m->name}) {
    const auto f = Failures().find(key);
    if (f != Failures().end())
      return Excepinfo(info, f->second, L"The stand-in fails " + name + L" on purpose");
  }
  DISPPARAMS none{};
  if (!params) params = &none;
  try {
    Ref<Object> keep(this);  // a handler may drop the last other reference
    HRESULT hr = Dispatch(*m, flags, params, result);
    if (FAILED(hr) && argErr) *argErr = 0;
    if (FAILED(hr)) Protocol(name, L"error " + std::to_wstring(static_cast<unsigned long>(hr)));
    return hr;
  } catch (const Failure& f) {
    if (IsProtocolCode(f.hr)) {
      Protocol(name, f.description);
      return f.hr;
    }
    return Excepinfo(info, f.hr, f.description.empty() ? name + L" failed" : f.description);
  } catch (...) {
    return Excepinfo(info, E_FAIL, name + L" failed");
  }
}

HRESULT Object::Dispatch(const Member& m, WORD flags, DISPPARAMS* params, VARIANT* result) {
  Call call;
  call.result = result;
  const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (isPut) {
    const bool ref = (flags & DISPATCH_PROPERTYPUTREF) != 0;
    if (!(m.kinds & kPut) || (ref && m.putValue.types[0] != VT_DISPATCH))
      return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTFOUND;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (!Accepts(m.putValue, &params->rgvarg[0])) return DISP_E_TYPEMISMATCH;
    call.kind = kPut;
    call.value = Deref(&params->rgvarg[0]);
    m.put(*this, call);
    return S_OK;
  }
  if (m.kinds & kMethod) {
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  } else if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  const UINT n = params->cArgs;
  if (n > m.args.size()) return DISP_E_BADPARAMCOUNT;
  call.kind = (m.kinds & kMethod) ? kMethod : kGet;
  call.args.assign(m.args.size(), nullptr);
  for (UINT i = 0; i < n; ++i) {
    const VARIANT* v = &params->rgvarg[n - 1 - i];  // last argument first
    if (Missing(v)) continue;
    if (!Accepts(m.args[i], v)) return DISP_E_TYPEMISMATCH;
    call.args[i] = Deref(v);
  }
  for (std::size_t i = 0; i < m.required; ++i)
    if (!call.args[i]) return i < n ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
  m.get(*this, call);
  return S_OK;
}

HRESULT Object::EnumConnectionPoints(IEnumConnectionPoints**) {
  return E_NOTIMPL;
}

HRESULT Object::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (auto& p : points_)
    if (p->iid() == riid) {
      *out = p.get();
      AddRef();
      return S_OK;
    }
  return CONNECT_E_NOCONNECTION;
}

void Object::Fire(REFIID iid, DISPID id, std::vector<VARIANTARG> args) {
  Ref<Object> keep(this);
  for (auto& p : points_) {
    if (p->iid() != iid) continue;
    for (const auto& sink : p->Snapshot()) {
      DISPPARAMS dp{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()),
                    0};
      Variant ignored;
      sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, &ignored, nullptr,
                   nullptr);
    }
  }
}

std::map<const Object*, RefCount> LiveObjects() {
  std::map<const Object*, RefCount> out;
  for (const Object* o : Live())
    out[o] = RefCount{o->type(), o->refs(), o->own()};
  return out;
}

std::vector<std::wstring> RefsChangedSince(const std::map<const Object*, RefCount>& before) {
  std::vector<std::wstring> out;
  for (const auto& [o, now] : LiveObjects()) {
    const auto it = before.find(o);
    const long was = it == before.end() ? 0 : it->second.refs - it->second.own;
    const long is = now.refs - now.own;
    if (is != was)
      out.push_back(now.type + L": client references " + std::to_wstring(is) + L", was " +
                    std::to_wstring(was));
  }
  return out;
}

int AdvisedSinks() {
  return g_advised;
}

}  // namespace standin
