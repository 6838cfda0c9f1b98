// The strict late-bound object behind every stand-in Outlook object: each
// type declares its members in a table (name, dispatch id, get/put/method,
// argument count range and accepted VARIANT types), and calls outside the
// table fail the way Outlook's own type library makes them fail. Every object
// counts its references and the ones the stand-in holds itself, so a test can
// see what a client kept; its connection point counts the sinks advised.
#pragma once

#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/com/com_ptr.h"

namespace standin {

// An interface pointer owned by the holder; made from a raw pointer, it adds
// a reference of its own.
template <class T>
class Ref : public velmora::win32::ComPtr<T> {
 public:
  Ref() = default;
  explicit Ref(T* p) : velmora::win32::ComPtr<T>(velmora::win32::ComPtr<T>::Retain(p)) {}
  template <class U>
  Ref(const Ref<U>& o) : Ref(o.get()) {}  // NOLINT: as the pointers convert
};

// An owned VARIANT, made from the values the object model hands out.
class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  Variant(const Variant& o) : Variant() { ::VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)); }
  Variant(const std::wstring& s) : Variant(Typed{VT_BSTR}) {  // NOLINT: implicit, as the values are
    v_.bstrVal = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  }
  Variant(const wchar_t* s) : Variant(std::wstring(s)) {}   // NOLINT
  Variant(long n) : Variant(Typed{VT_I4}) { v_.lVal = n; }  // NOLINT
  Variant(bool b) : Variant(Typed{VT_BOOL}) {
    v_.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  }  // NOLINT
  // Null gives VT_DISPATCH null, as Outlook's Nothing.
  Variant(IDispatch* d) : Variant(Typed{VT_DISPATCH}) {  // NOLINT
    v_.pdispVal = d;
    if (d) d->AddRef();
  }
  template <class T>
  Variant(const Ref<T>& r) : Variant(static_cast<IDispatch*>(r.get())) {}  // NOLINT
  static Variant Of(VARTYPE vt, double d) {
    Variant v(Typed{vt});
    v.v_.dblVal = d;  // a date is a double too
    return v;
  }
  // A flag an event's sinks may set, read back after each.
  static Variant BoolRef(VARIANT_BOOL* b) {
    Variant v(Typed{VT_BOOL | VT_BYREF});
    v.v_.pboolVal = b;
    return v;
  }
  Variant& operator=(const Variant& o) {
    if (this != &o) ::VariantCopy(&v_, const_cast<VARIANT*>(&o.v_));
    return *this;
  }
  ~Variant() { ::VariantClear(&v_); }
  const VARIANT& get() const { return v_; }
  VARIANT* put() {
    ::VariantClear(&v_);
    return &v_;
  }

 private:
  struct Typed {
    VARTYPE vt;
  };
  explicit Variant(Typed t) : Variant() { v_.vt = t.vt; }
  VARIANT v_;
};

// A call that fails with an HRESULT (and, for DISP_E_EXCEPTION, a text).
struct Failure {
  HRESULT hr;
  std::wstring description;
};
[[noreturn]] inline void Fail(HRESULT hr, const std::wstring& description = L"") {
  throw Failure{hr, description};
}

enum Kind : unsigned { kGet = 1, kPut = 2, kMethod = 4 };

// One call as the member's handler sees it: positional arguments in the
// declared order (empty where an optional one was left out); a put's value
// is its one argument.
struct Call {
  std::vector<const VARIANT*> args;
  VARIANT* result = nullptr;

  bool Has(std::size_t i) const { return i < args.size() && args[i] != nullptr; }
  long Long(std::size_t i) const { return Has(i) ? args[i]->lVal : 0; }
  std::wstring Str(std::size_t i) const {
    const BSTR b = Has(i) ? args[i]->bstrVal : nullptr;
    return b ? std::wstring(b, ::SysStringLen(b)) : std::wstring();
  }
  bool Bool(std::size_t i) const { return Has(i) && args[i]->boolVal != VARIANT_FALSE; }
  IDispatch* Disp(std::size_t i) const { return Has(i) ? args[i]->pdispVal : nullptr; }
  void Return(const Variant& v) {
    if (result) ::VariantCopy(result, const_cast<VARIANT*>(&v.get()));
  }
};

class Object;
using Handler = std::function<void(Object& self, Call& call)>;

// Accepted types for one argument; VT_VARIANT accepts any.
using ArgTypes = std::vector<VARTYPE>;

struct Member {
  std::wstring name;
  DISPID id;
  unsigned kinds;
  std::vector<ArgTypes> args;  // of a get or method; of a put, its value
  std::size_t required = 0;
  Handler get, put;  // get: of a get or method
};

// The members of one object type.
class Table {
 public:
  explicit Table(std::wstring typeName) : type_(std::move(typeName)) {}
  const std::wstring& type() const { return type_; }
  // Dispatch ids are one per name across every type (Outlook's own where
  // they are known), as Outlook keeps the shared members' ids alike.
  Table& Get(const std::wstring& name, Handler h) { return Add(name, kGet, {}, 0, h, {}); }
  // A put of an object may also come as a put by reference.
  Table& Prop(const std::wstring& name, ArgTypes value, Handler get, Handler put) {
    return Add(name, kGet | kPut, {std::move(value)}, 0, std::move(get), std::move(put));
  }
  Table& Method(const std::wstring& name, std::vector<ArgTypes> args, std::size_t required,
                Handler h) {
    return Add(name, kMethod, std::move(args), required, std::move(h), {});
  }
  const Member* Find(const std::wstring& name) const;
  const Member* Find(DISPID id) const;

 private:
  Table& Add(const std::wstring& name, unsigned kinds, std::vector<ArgTypes> args,
             std::size_t required, Handler get, Handler put);
  std::wstring type_;
  std::vector<Member> members_;
};

// Argument type lists used across the tables.
inline const ArgTypes kLongArg{VT_I4}, kStrArg{VT_BSTR}, kBoolArg{VT_BOOL}, kDispArg{VT_DISPATCH},
    kAnyArg{VT_VARIANT};

// What the stand-in saw go wrong in a client's calls: unknown names, wrong
// counts or types (each "Type.Member: reason"). A correct client leaves it empty.
inline std::vector<std::wstring> g_protocolErrors;
// The calls ("Type.Member" or "Member") made to fail with an HRESULT.
inline std::map<std::wstring, HRESULT> g_failures;
// Every "Type.Member" called since the map was last cleared, with its count.
inline std::map<std::wstring, int> g_callCounts;

// Every stand-in object alive now.
inline std::set<const Object*> g_liveObjects;

// An object, with one connection point when it raises events (the oldest
// event interface of its kind: every Outlook from 2000 on has it).
class Object : public IDispatch, public IConnectionPointContainer, public IConnectionPoint {
 public:
  explicit Object(const Table& table, const IID* source = nullptr)
      : table_(table), source_(source) {
    g_liveObjects.insert(this);
  }
  virtual ~Object() { g_liveObjects.erase(this); }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    return n ? (*n = 0, S_OK) : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argErr) override;
  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;
  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    return iid ? (*iid = *source_, S_OK) : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    return out ? QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(out))
               : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  const std::wstring& type() const { return table_.type(); }
  // The references clients hold.
  long clients() const { return refs_ - own_; }
  // The reference the creator has is the stand-in's own (not counted
  // against clients) until it disowns it, just before releasing it.
  void Adopt() { ++own_; }
  void Disown() { --own_; }

  // Raises an event on every sink advised; args as Invoke takes them (last
  // argument first).
  void Fire(DISPID id, std::vector<Variant> args = {});

  // The stand-in object behind a client's pointer, or null for a foreign one.
  static Object* From(IUnknown* p);

 private:
  HRESULT Dispatch(const Member& m, WORD flags, DISPPARAMS* params, VARIANT* result);

  const Table& table_;
  const IID* source_;
  long refs_ = 1;
  long own_ = 0;
  DWORD nextCookie_ = 0;
  std::map<DWORD, Ref<IDispatch>> sinks_;
};

// Creates the object with one reference, which the caller owns.
template <class T, class... A>
Ref<T> Make(A&&... a) {
  Ref<T> made;
  *made.put() = new T(std::forward<A>(a)...);
  return made;
}

// Every stand-in object alive now, with the references clients hold on it.
using Snapshot = std::map<const Object*, long>;
Snapshot LiveObjects();
// The objects whose client references differ from `before` (objects created
// since then count as 0), one "Type: refs a, was b" line each.
std::vector<std::wstring> RefsChangedSince(const Snapshot& before);
// Sinks advised now, across every object (a container released with sinks
// still advised keeps its count).
inline int g_advisedSinks = 0;

}  // namespace standin
