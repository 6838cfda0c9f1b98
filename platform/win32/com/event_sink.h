// Events of automation objects through connection points: a generic sink
// (IDispatch plus its event interface id) that maps one dispatch id to a C++
// handler, advised for as long as the returned subscription lives.
#pragma once

#include "platform/win32/com/com_ptr.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "addin/store/events.h"

namespace velmora::win32 {

// The arguments of one event, in their declared order (0 = the first).
class EventArgs {
 public:
  explicit EventArgs(DISPPARAMS* params) noexcept : params_(params) {}
  unsigned Count() const noexcept { return params_ ? params_->cArgs : 0; }
  // Raises error 450 when the event brought fewer arguments.
  const VARIANT& At(unsigned i) const;
  ComPtr<IDispatch> Object(unsigned i) const;
  std::int32_t Int(unsigned i) const;
  std::string Text(unsigned i) const;
  // A by-reference Boolean (Cancel, CancelDefault): read, and written back.
  bool BoolRef(unsigned i) const;
  void SetBoolRef(unsigned i, bool value) const;

 private:
  VARIANT& Mutable(unsigned i) const;
  DISPPARAMS* params_;
};

using EventHandler = std::function<void(const EventArgs&)>;

// Advises a sink for the first of `iids` whose connection point `source`
// has (older hosts know only the older event interfaces). The handler runs
// behind a firewall that logs failures under `where`. Dropping the result
// unadvises; a late call after that reaches no handler. Raises HostError
// when the source has none of the connection points.
host::SubscriptionPtr Advise(IDispatch* source, std::initializer_list<IID> iids, DISPID dispid,
                             const char* where, EventHandler handler);

}  // namespace velmora::win32
