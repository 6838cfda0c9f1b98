// The strict late-bound object behind every stand-in Outlook object: each
// type declares its members in a table (name, dispatch id, get/put/method,
// argument count range and accepted VARIANT types), and calls outside the
// table fail the way Outlook's own type library makes them fail. Every object
// counts its references and the ones the stand-in holds itself, so a test can
// see what a client kept; connection points count the sinks advised.
#pragma once

#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace standin {

// An owned VARIANT.
class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  Variant(const Variant& o) : Variant() { ::VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)); }
  explicit Variant(const VARIANT& o) : Variant() { ::VariantCopy(&v_, const_cast<VARIANT*>(&o)); }
  Variant& operator=(const Variant& o) {
    if (this != &o) ::VariantCopy(&v_, const_cast<VARIANT*>(&o.v_));
    return *this;
  }
  ~Variant() { ::VariantClear(&v_); }
  VARIANT* operator&() { return &v_; }
  const VARIANT& get() const { return v_; }
  VARIANT& get() { return v_; }
  static Variant Str(const std::wstring& s);
  static Variant Long(long n);
  static Variant Bool(bool b);
  static Variant Date(double d);
  static Variant Double(double d);
  static Variant Disp(IDispatch* d);  // null gives VT_DISPATCH null, as Outlook's Nothing

 private:
  VARIANT v_;
};

// An interface pointer owned by the holder.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* p, bool addRef = true) : p_(p) {
    if (p_ && addRef) p_->AddRef();
  }
  Ref(const Ref& o) : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) : Ref(o.get()) {}  // NOLINT: as the pointers convert
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ref() { reset(); }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }

 private:
  T* p_ = nullptr;
};

// A call that fails with an HRESULT (and, for DISP_E_EXCEPTION, a text).
struct Failure {
  HRESULT hr;
  std::wstring description;
};
[[noreturn]] void Fail(HRESULT hr, const std::wstring& description = L"");

enum Kind : unsigned { kGet = 1, kPut = 2, kMethod = 4 };

// One call as the member's handler sees it: positional arguments in the
// declared order (empty where an optional one was left out) and, for a put,
// the value.
class Call {
 public:
  unsigned kind = 0;
  std::vector<const VARIANT*> args;
  const VARIANT* value = nullptr;
  VARIANT* result = nullptr;

  bool Has(std::size_t i) const { return i < args.size() && args[i] != nullptr; }
  long Long(std::size_t i) const;
  std::wstring Str(std::size_t i) const;
  bool Bool(std::size_t i) const;
  IDispatch* Disp(std::size_t i) const;  // may be null
  // An index argument: a number, or else a name.
  bool IsNumber(std::size_t i) const;

  void Return(const Variant& v);
};

class Object;
using Handler = std::function<void(Object& self, Call& call)>;

// Accepted types for one argument; VT_VARIANT accepts any.
struct ArgSpec {
  std::vector<VARTYPE> types;
};

struct Member {
  std::wstring name;
  DISPID id;
  unsigned kinds;
  std::vector<ArgSpec> args;  // of a get or method
  std::size_t required = 0;
  ArgSpec putValue;  // of a put
  Handler get;       // get and method
  Handler put;
};

// The members of one object type.
class Table {
 public:
  explicit Table(std::wstring typeName) : type_(std::move(typeName)) {}
  const std::wstring& type() const { return type_; }
  // Dispatch ids are one per name across every type (Outlook's own where
  // they are known), as Outlook keeps the shared members' ids alike.
  Table& Get(const std::wstring& name, Handler h, std::vector<ArgSpec> args = {},
             std::size_t required = 0);
  // A put of an object may also come as a put by reference.
  Table& Prop(const std::wstring& name, ArgSpec value, Handler get, Handler put);
  Table& Method(const std::wstring& name, std::vector<ArgSpec> args, std::size_t required,
                Handler h);
  const Member* Find(const std::wstring& name) const;
  const Member* Find(DISPID id) const;

 private:
  std::wstring type_;
  std::vector<Member> members_;
};

// Argument type lists used across the tables.
extern const ArgSpec kLongArg, kStrArg, kBoolArg, kDispArg, kAnyArg, kIndexArg, kDateArg;

// What the stand-in saw go wrong in a client's calls: unknown names, wrong
// counts or types (each "Type.Member: reason"). A correct client leaves it empty.
std::vector<std::wstring>& ProtocolErrors();
// Makes the named call ("Type.Member" or "Member") fail with `hr` until cleared.
void FailCall(const std::wstring& name, HRESULT hr);
void ClearFailures();
// The number of calls made to "Type.Member".
int CallCount(const std::wstring& name);
// Every "Type.Member" called since the last reset, with its count.
std::map<std::wstring, int> CallCounts();
void ResetCallCounts();

class ConnectionPoint;

class Object : public IDispatch, public IConnectionPointContainer {
 public:
  explicit Object(const Table& table);
  virtual ~Object();
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argErr) override;
  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;

  const std::wstring& type() const { return table_.type(); }
  long refs() const { return refs_; }
  long own() const { return own_; }
  // The reference the creator has is the stand-in's own (not counted
  // against clients) until it disowns it, just before releasing it.
  void Adopt() { ++own_; }
  void Disown() { --own_; }

  // The object raises the events of this interface.
  void AddSource(REFIID iid);
  // Raises an event on every sink advised at `iid`'s point; args as Invoke
  // takes them (last argument first).
  void Fire(REFIID iid, DISPID id, std::vector<VARIANTARG> args = {});

  // The stand-in object behind a client's pointer, or null for a foreign one.
  static Object* From(IUnknown* p);

 private:
  HRESULT Dispatch(const Member& m, WORD flags, DISPPARAMS* params, VARIANT* result);

  const Table& table_;
  long refs_ = 1;
  long own_ = 0;
  std::vector<std::unique_ptr<ConnectionPoint>> points_;
  friend class ConnectionPoint;
};

// Creates the object with one reference, which the caller owns.
template <class T, class... A>
Ref<T> Make(A&&... a) {
  return Ref<T>(new T(std::forward<A>(a)...), false);
}

// Every stand-in object alive now, with its reference counts.
struct RefCount {
  std::wstring type;
  long refs;
  long own;
};
std::map<const Object*, RefCount> LiveObjects();
// The objects whose client references differ from `before` (objects created
// since then count as 0), one "Type: refs a, was b" line each.
std::vector<std::wstring> RefsChangedSince(const std::map<const Object*, RefCount>& before);
// Sinks advised now, across every object (a container released with sinks
// still advised keeps its count).
int AdvisedSinks();

}  // namespace standin
