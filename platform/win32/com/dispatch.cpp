#include "platform/win32/com/dispatch.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include "common/text.h"

namespace velmora::win32 {

namespace {

constexpr int kMemberCount = static_cast<int>(Member::kCount);

// One id per member of the table, resolved on first use. One thread uses the
// add-in, so the cache needs no lock.
struct IdCache {
  DISPID id[kMemberCount];
  bool known[kMemberCount];
};
IdCache g_ids{};

std::string WhereText(Member m) {
  const MemberInfo& info = Info(m);
  return std::string(info.type) + "." + Narrow(info.name);
}

DISPID Resolve(IDispatch* object, Member m, bool fresh) {
  const int i = static_cast<int>(m);
  if (g_ids.known[i] && !fresh) return g_ids.id[i];
  LPOLESTR name = const_cast<LPOLESTR>(Info(m).name);
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw ErrorFromHresult(hr, nullptr, WhereText(m));
  g_ids.id[i] = id;
  g_ids.known[i] = true;
  return id;
}

// Owns the strings an EXCEPINFO hands over.
struct ExcepInfo {
  EXCEPINFO info{};
  ~ExcepInfo() {
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
  }
};

struct KnownError {
  HRESULT hr;
  long number;
  const char* text;
};
constexpr KnownError kKnownErrors[] = {
    {DISP_E_UNKNOWNNAME, 438, "Object doesn't support this property or method"},
    {DISP_E_MEMBERNOTFOUND, 438, "Object doesn't support this property or method"},
    {DISP_E_TYPEMISMATCH, err::kTypeMismatch, "Type mismatch"},
    {DISP_E_BADPARAMCOUNT, 450, "Wrong number of arguments or invalid property assignment"},
    {DISP_E_PARAMNOTOPTIONAL, 449, "Argument not optional"},
    {DISP_E_OVERFLOW, err::kOverflow, "Overflow"},
    {DISP_E_BADINDEX, err::kSubscript, "Subscript out of range"},
    {E_OUTOFMEMORY, err::kOutOfMemory, "Out of memory"},
    {E_INVALIDARG, err::kInvalidCall, "Invalid procedure call or argument"},
    {REGDB_E_CLASSNOTREG, err::kCannotCreateObject, "ActiveX component can't create object"},
    {CO_E_CLASSSTRING, err::kCannotCreateObject, "ActiveX component can't create object"},
};

std::string SystemText(HRESULT hr) {
  wchar_t* buf = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
  std::wstring text = n && buf ? std::wstring(buf, n) : std::wstring();
  if (buf) ::LocalFree(buf);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  return Narrow(text);
}

[[noreturn]] void Mismatch() {
  Raise(err::kTypeMismatch, "Type mismatch");
}

// The value itself when `v` is a reference to one.
const VARIANT& Deref(const VARIANT& v) {
  if ((v.vt & VT_BYREF) && (v.vt & ~VT_BYREF) == VT_VARIANT && v.pvarVal) return Deref(*v.pvarVal);
  return v;
}

// `v` changed to `type`, references followed; a failure is a type mismatch
// (or an overflow, as the conversion says).
UniqueVariant Changed(const VARIANT& v, VARTYPE type) {
  UniqueVariant out;
  const HRESULT hr =
      ::VariantChangeTypeEx(out.get(), const_cast<VARIANT*>(&v), LOCALE_USER_DEFAULT, 0, type);
  if (hr == DISP_E_OVERFLOW) Raise(err::kOverflow, "Overflow");
  if (FAILED(hr)) Mismatch();
  return out;
}

}  // namespace

// Arguments -----------------------------------------------------------------

Arg::Arg(Missing) noexcept {
  ::VariantInit(&v_);
  v_.vt = VT_ERROR;
  v_.scode = DISP_E_PARAMNOTFOUND;
}
Arg::Arg(int v) noexcept {
  ::VariantInit(&v_);
  v_.vt = VT_I4;
  v_.lVal = v;
}
Arg::Arg(bool v) noexcept {
  ::VariantInit(&v_);
  v_.vt = VT_BOOL;
  v_.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
}
Arg::Arg(double v) noexcept {
  ::VariantInit(&v_);
  v_.vt = VT_R8;
  v_.dblVal = v;
}
Arg::Arg(DateTime v) noexcept {
  ::VariantInit(&v_);
  v_.vt = VT_DATE;
  v_.date = OleFromDate(v);
}
Arg::Arg(std::string_view utf8) {
  ::VariantInit(&v_);
  UniqueBstr b = MakeBstr(utf8);
  v_.vt = VT_BSTR;
  v_.bstrVal = b.release();
}
Arg::Arg(IDispatch* object) noexcept {
  ::VariantInit(&v_);
  v_.vt = VT_DISPATCH;
  v_.pdispVal = object;
  if (object) object->AddRef();
}
Arg::Arg(const host::Value& value) {
  ::VariantInit(&v_);
  struct {
    VARIANT& v;
    void operator()(std::monostate) const { v.vt = VT_EMPTY; }
    void operator()(const std::string& s) const {
      UniqueBstr b = MakeBstr(s);
      v.vt = VT_BSTR;
      v.bstrVal = b.release();
    }
    void operator()(DateTime t) const {
      v.vt = VT_DATE;
      v.date = OleFromDate(t);
    }
    void operator()(double d) const {
      v.vt = VT_R8;
      v.dblVal = d;
    }
    void operator()(std::int32_t n) const {
      v.vt = VT_I4;
      v.lVal = n;
    }
    void operator()(bool b) const {
      v.vt = VT_BOOL;
      v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    }
  } set{v_};
  std::visit(set, value);
}
Arg::~Arg() {
  ::VariantClear(&v_);
}
Arg::Arg(const Arg& other) {
  ::VariantInit(&v_);
  if (FAILED(::VariantCopy(&v_, const_cast<VARIANT*>(&other.v_))))
    Raise(err::kOutOfMemory, "Out of memory");
}

// Calls ---------------------------------------------------------------------

UniqueVariant Invoke(IDispatch* object, Member member, Call kind, std::initializer_list<Arg> args) {
  if (!object) Raise(err::kObjectNotSet, "Object variable not set (" + WhereText(member) + ")");
  // Trailing missing arguments are left out altogether; DISPPARAMS wants
  // the rest last to first.
  std::size_t count = args.size();
  while (count > 0 && (args.begin() + count - 1)->missing())
    --count;
  std::vector<VARIANT> reversed(count);
  for (std::size_t i = 0; i < count; ++i)
    reversed[count - 1 - i] = (args.begin() + i)->get();

  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(count);
  WORD flags = DISPATCH_METHOD;
  switch (kind) {
    case Call::kRead:
      flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
      break;
    case Call::kMethod:
      break;
    case Call::kPut:
    case Call::kPutRef:
      flags = kind == Call::kPut ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF;
      params.rgdispidNamedArgs = &named;
      params.cNamedArgs = 1;
      break;
  }
  const bool wantsResult = kind == Call::kRead || kind == Call::kMethod;

  const bool wasKnown = g_ids.known[static_cast<int>(member)];
  DISPID id = Resolve(object, member, false);
  for (int attempt = 0;; ++attempt) {
    UniqueVariant result;
    ExcepInfo ei;
    UINT argError = 0;
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                      wantsResult ? result.get() : nullptr, &ei.info, &argError);
    if (SUCCEEDED(hr)) return result;
    // An id cached from an object of another make: ask this one once.
    if (hr == DISP_E_MEMBERNOTFOUND && wasKnown && attempt == 0) {
      const DISPID fresh = Resolve(object, member, true);
      if (fresh != id) {
        id = fresh;
        continue;
      }
    }
    if (hr == DISP_E_EXCEPTION) {
      if (ei.info.pfnDeferredFillIn) ei.info.pfnDeferredFillIn(&ei.info);
      throw ErrorFromHresult(hr, &ei.info, WhereText(member));
    }
    throw ErrorFromHresult(hr, nullptr, WhereText(member));
  }
}

void ForgetDispatchIds() noexcept {
  g_ids = IdCache{};
}

HostError ErrorFromHresult(HRESULT hr, const EXCEPINFO* info, std::string_view where) {
  HRESULT code = hr;
  std::string description;
  if (info) {
    if (info->scode)
      code = info->scode;
    else if (info->wCode)
      code = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info->wCode);
    if (info->bstrDescription)
      description = Narrow({info->bstrDescription, ::SysStringLen(info->bstrDescription)});
  }
  long number = static_cast<long>(code);
  const char* known = nullptr;
  if (HRESULT_FACILITY(code) == FACILITY_CONTROL && FAILED(code)) {
    number = HRESULT_CODE(code);
  } else {
    for (const KnownError& k : kKnownErrors)
      if (k.hr == code) {
        number = k.number;
        known = k.text;
        break;
      }
  }
  if (description.empty() && known) description = known;
  if (description.empty()) description = SystemText(code);
  if (description.empty()) {
    char text[40];
    std::snprintf(text, sizeof text, "Automation error 0x%08lX", static_cast<unsigned long>(code));
    description = text;
  }
  if (!where.empty()) description += " (" + std::string(where) + ")";
  return HostError(number, std::move(description));
}

// Conversions ---------------------------------------------------------------

std::string ToText(const VARIANT& value) {
  const VARIANT& v = Deref(value);
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return {};
    case VT_BSTR:
      return v.bstrVal ? Narrow({v.bstrVal, ::SysStringLen(v.bstrVal)}) : std::string();
    case VT_DATE:
      return velmora::ToText(DateFromOle(v.date));
    default: {
      UniqueVariant s = Changed(v, VT_BSTR);
      return ToText(*s.get());
    }
  }
}

std::int32_t ToInt(const VARIANT& value) {
  const VARIANT& v = Deref(value);
  if (v.vt == VT_I4) return v.lVal;
  if (v.vt == VT_EMPTY) return 0;
  if (v.vt == VT_NULL || v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) Mismatch();
  return Changed(v, VT_I4).get()->lVal;
}

bool ToBool(const VARIANT& value) {
  const VARIANT& v = Deref(value);
  if (v.vt == VT_BOOL) return v.boolVal != VARIANT_FALSE;
  if (v.vt == VT_EMPTY) return false;
  if (v.vt == VT_NULL || v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) Mismatch();
  return Changed(v, VT_BOOL).get()->boolVal != VARIANT_FALSE;
}

ComPtr<IDispatch> ToObject(const VARIANT& value) {
  const VARIANT& v = Deref(value);
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return {};
    case VT_DISPATCH:
      return ComPtr<IDispatch>::Retain(v.pdispVal);
    case VT_DISPATCH | VT_BYREF:
      return ComPtr<IDispatch>::Retain(v.ppdispVal ? *v.ppdispVal : nullptr);
    case VT_UNKNOWN: {
      if (!v.punkVal) return {};
      auto d = ComPtr<IUnknown>::Retain(v.punkVal).As<IDispatch>(IID_IDispatch);
      if (!d) Mismatch();
      return d;
    }
    default:
      Mismatch();
  }
}

host::Value ToValue(const VARIANT& value) {
  const VARIANT& v = Deref(value);
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return std::monostate{};
    case VT_BSTR:
      return ToText(v);
    case VT_DATE:
      return DateFromOle(v.date);
    case VT_BOOL:
      return v.boolVal != VARIANT_FALSE;
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_INT:
      return static_cast<std::int32_t>(Changed(v, VT_I4).get()->lVal);
    case VT_UI4:
    case VT_UINT:
    case VT_I8:
    case VT_UI8: {
      // Wider integers stay whole where they fit, as a double otherwise.
      const double d = Changed(v, VT_R8).get()->dblVal;
      if (d >= INT32_MIN && d <= INT32_MAX) return static_cast<std::int32_t>(d);
      return d;
    }
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
      return Changed(v, VT_R8).get()->dblVal;
    default:
      Mismatch();
  }
}

DateTime DateFromOle(double ole) {
  return DateTime::FromOle(ole);
}

double OleFromDate(DateTime t) noexcept {
  return t.ToOle();
}

UniqueBstr MakeBstr(std::string_view utf8) {
  const std::wstring w = Widen(utf8);
  UniqueBstr b(::SysAllocStringLen(w.data(), static_cast<UINT>(w.size())));
  if (!b.get()) Raise(err::kOutOfMemory, "Out of memory");
  return b;
}

}  // namespace velmora::win32
