// Late-bound calls into automation objects: GetIDsOfNames once per member of
// the table in outlook_members.h, then Invoke for property gets, puts and
// method calls. The conversions between VARIANTs and the engine's values
// happen here and nowhere else. A failed call raises HostError; an empty
// object comes back as an empty pointer.
#pragma once

#include "platform/win32/com/com_ptr.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "addin/store/host.h"
#include "common/datetime.h"
#include "common/host_error.h"
#include "platform/win32/outlook/outlook_members.h"

namespace velmora::win32 {

// An optional argument left out.
struct Missing {};
inline constexpr Missing kMissing{};

// One argument handed to Invoke; owns its VARIANT.
class Arg {
 public:
  Arg(Missing) noexcept;
  Arg(int v) noexcept;
  Arg(bool v) noexcept;
  Arg(double v) noexcept;
  Arg(DateTime v) noexcept;
  Arg(std::string_view utf8);
  Arg(const std::string& utf8) : Arg(std::string_view(utf8)) {}
  Arg(const char* utf8) : Arg(std::string_view(utf8)) {}
  // The object itself; a null pointer passes an empty object (Nothing).
  Arg(IDispatch* object) noexcept;
  Arg(const host::Value& v);
  ~Arg();
  Arg(const Arg& other);
  Arg& operator=(const Arg&) = delete;

  const VARIANT& get() const noexcept { return v_; }
  bool missing() const noexcept { return v_.vt == VT_ERROR && v_.scode == DISP_E_PARAMNOTFOUND; }

 private:
  VARIANT v_;
};

// Invoke kinds.
enum class Call { kRead, kMethod, kPut, kPutRef };

// The one call helper. `args` in the member's own order; missing ones at the
// end are left out.
UniqueVariant Invoke(IDispatch* object, Member member, Call kind,
                     std::initializer_list<Arg> args = {});

inline UniqueVariant Read(IDispatch* o, Member m, std::initializer_list<Arg> args = {}) {
  return Invoke(o, m, Call::kRead, args);
}
inline void Method(IDispatch* o, Member m, std::initializer_list<Arg> args = {}) {
  Invoke(o, m, Call::kMethod, args);
}
inline void Put(IDispatch* o, Member m, const Arg& value) {
  Invoke(o, m, Call::kPut, {value});
}
inline void PutRef(IDispatch* o, Member m, const Arg& value) {
  Invoke(o, m, Call::kPutRef, {value});
}

// Forgets every cached dispatch id (a test host with other ids).
void ForgetDispatchIds() noexcept;

// The error a failed call raises: HRESULTs of the control facility
// (0x800A....) carry a run-time error number in their low word, the usual
// automation failures map to the numbers a Visual Basic client would see,
// anything else keeps the HRESULT itself. The description is the
// EXCEPINFO's when there is one, else the system's text of the code; the
// member named is appended so that a log line says which call failed.
HostError ErrorFromHresult(HRESULT hr, const EXCEPINFO* info, std::string_view where);

// Conversions of results. Each raises error 13 (type mismatch) when the
// value cannot be taken as asked.
std::string ToText(const VARIANT& v);
std::int32_t ToInt(const VARIANT& v);
bool ToBool(const VARIANT& v);
// VT_EMPTY, VT_NULL and a null object are an empty pointer.
ComPtr<IDispatch> ToObject(const VARIANT& v);
// VT_EMPTY/VT_NULL nothing, BSTR text, DATE a date-time to the second,
// integers 32-bit, other numbers double, BOOL.
host::Value ToValue(const VARIANT& v);

// OLE automation date <-> DateTime, to the second; out of range raises 6.
DateTime DateFromOle(double ole);
double OleFromDate(DateTime t) noexcept;

// A BSTR of UTF-8 text; raises 7 when out of memory.
UniqueBstr MakeBstr(std::string_view utf8);

}  // namespace velmora::win32
