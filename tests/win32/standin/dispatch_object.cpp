#include "tests/win32/standin/dispatch_object.h"

#include <olectl.h>

namespace standin {

namespace {

// {6F1D2C4A-9E53-4B7A-8C21-5D7E0A9B3F10}: answered only by stand-in objects,
// so a pointer a client hands back can be told from a foreign one.
const IID kIidStandinObject = {
    0x6f1d2c4a, 0x9e53, 0x4b7a, {0x8c, 0x21, 0x5d, 0x7e, 0x0a, 0x9b, 0x3f, 0x10}};

void Protocol(const std::wstring& where, const std::wstring& what) {
  g_protocolErrors.push_back(where + L": " + what);
}

// The argument itself, through one level of by-reference VARIANT.
const VARIANT* Deref(const VARIANT* v) {
  return v->vt == (VT_BYREF | VT_VARIANT) ? v->pvarVal : v;
}

bool Accepts(const ArgTypes& arg, const VARIANT* v) {
  const VARTYPE vt = Deref(v)->vt;
  for (VARTYPE t : arg)
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

}  // namespace

Table& Table::Add(const std::wstring& name, unsigned kinds, std::vector<ArgTypes> args,
                  std::size_t required, Handler get, Handler put) {
  static std::map<std::wstring, DISPID> ids = {
      {L"Application", 0xF000}, {L"Parent", 0xF001}, {L"Class", 0xF00A}, {L"Session", 0xF00B},
      {L"Count", 0x50},         {L"Item", 0x51},     {L"Remove", 0x54},  {L"Add", 0x5F}};
  const DISPID id = ids.emplace(name, 0x1000 + static_cast<DISPID>(ids.size())).first->second;
  members_.push_back(
      Member{name, id, kinds, std::move(args), required, std::move(get), std::move(put)});
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

HRESULT Object::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == kIidStandinObject) {
    *out = this;  // no reference: only From reads it
    return S_OK;
  }
  if (riid == IID_IUnknown || riid == IID_IDispatch)
    *out = static_cast<IDispatch*>(this);
  else if (riid == IID_IConnectionPointContainer && source_)
    *out = static_cast<IConnectionPointContainer*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

Object* Object::From(IUnknown* p) {
  void* out = nullptr;
  if (!p || FAILED(p->QueryInterface(kIidStandinObject, &out))) return nullptr;
  return static_cast<Object*>(out);
}

HRESULT Object::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  const Member* m = table_.Find(names[0]);
  if (!m) Protocol(type() + L"." + names[0], L"unknown name");
  for (UINT i = 0; i < count; ++i)
    ids[i] = i == 0 && m ? m->id : DISPID_UNKNOWN;
  return m && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT Object::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* info, UINT* argErr) {
  const Member* m = table_.Find(id);
  if (!m) {
    Protocol(type(), L"unknown dispatch id " + std::to_wstring(id));
    return DISP_E_MEMBERNOTFOUND;
  }
  const std::wstring name = type() + L"." + m->name;
  ++g_callCounts[name];
  if (result) ::VariantInit(result);
  for (const std::wstring& key : {name, m->name}) {
    const auto f = g_failures.find(key);
    if (f != g_failures.end())
      return Excepinfo(info, f->second, L"The stand-in fails " + name + L" on purpose");
  }
  DISPPARAMS none{};
  try {
    Ref<Object> keep(this);  // a handler may drop the last other reference
    const HRESULT hr = Dispatch(*m, flags, params ? params : &none, result);
    if (FAILED(hr)) {
      if (argErr) *argErr = 0;
      Protocol(name, L"error " + std::to_wstring(static_cast<unsigned long>(hr)));
    }
    return hr;
  } catch (const Failure& f) {
    if (f.hr == DISP_E_TYPEMISMATCH) {  // the client's fault, as a wrong argument is
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
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    const bool ref = (flags & DISPATCH_PROPERTYPUTREF) != 0;
    if (!(m.kinds & kPut) || (ref && m.args[0][0] != VT_DISPATCH)) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTFOUND;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (!Accepts(m.args[0], &params->rgvarg[0])) return DISP_E_TYPEMISMATCH;
    call.args = {Deref(&params->rgvarg[0])};
    m.put(*this, call);
    return S_OK;
  }
  const WORD allowed =
      (m.kinds & kMethod) ? DISPATCH_METHOD : DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  if (!(flags & allowed)) return DISP_E_MEMBERNOTFOUND;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  const UINT n = params->cArgs;
  const std::size_t declared = (m.kinds & kPut) ? 0 : m.args.size();  // a property's get has none
  if (n > declared) return DISP_E_BADPARAMCOUNT;
  call.args.assign(declared, nullptr);
  for (UINT i = 0; i < n; ++i) {
    const VARIANT* v = Deref(&params->rgvarg[n - 1 - i]);                 // last argument first
    if (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND) continue;  // left out
    if (!Accepts(m.args[i], v)) return DISP_E_TYPEMISMATCH;
    call.args[i] = v;
  }
  for (std::size_t i = 0; i < m.required; ++i)
    if (!call.args[i]) return i < n ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
  m.get(*this, call);
  return S_OK;
}

HRESULT Object::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!source_ || riid != *source_) return CONNECT_E_NOCONNECTION;
  *out = this;
  AddRef();
  return S_OK;
}

HRESULT Object::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  // In one process the sink must answer for the event interface itself.
  Ref<IDispatch> d;
  if (FAILED(sink->QueryInterface(*source_, reinterpret_cast<void**>(d.put()))) || !d) {
    Protocol(type() + L".Advise", L"the sink does not answer its event interface");
    return CONNECT_E_CANNOTCONNECT;
  }
  *cookie = ++nextCookie_;
  sinks_[*cookie] = d;
  ++g_advisedSinks;
  return S_OK;
}

HRESULT Object::Unadvise(DWORD cookie) {
  if (!sinks_.erase(cookie)) {
    Protocol(type() + L".Unadvise", L"unknown cookie");
    return CONNECT_E_NOCONNECTION;
  }
  --g_advisedSinks;
  return S_OK;
}

void Object::Fire(DISPID id, std::vector<Variant> args) {
  Ref<Object> keep(this);
  std::vector<VARIANTARG> raw;
  for (const Variant& a : args)
    raw.push_back(a.get());   // borrowed for the calls
  const auto sinks = sinks_;  // a sink may unadvise while it runs
  for (const auto& [cookie, sink] : sinks) {
    DISPPARAMS dp{raw.empty() ? nullptr : raw.data(), nullptr, static_cast<UINT>(raw.size()), 0};
    Variant ignored;
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, ignored.put(), nullptr,
                 nullptr);
  }
}

Snapshot LiveObjects() {
  Snapshot out;
  for (const Object* o : g_liveObjects)
    out[o] = o->clients();
  return out;
}

std::vector<std::wstring> RefsChangedSince(const Snapshot& before) {
  std::vector<std::wstring> out;
  for (const Object* o : g_liveObjects) {
    const auto it = before.find(o);
    const long was = it == before.end() ? 0 : it->second, is = o->clients();
    if (is != was)
      out.push_back(o->type() + L": client references " + std::to_wstring(is) + L", was " +
                    std::to_wstring(was));
  }
  return out;
}

}  // namespace standin
