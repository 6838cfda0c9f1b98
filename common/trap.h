// Error traps in one line. `Trap` runs an operation, and on any failure logs
// it under the operation's name and returns the neutral value; `Ignore` runs
// a step whose failure is passed over; `Firewall` guards entry points from the
// host, where not even logging may throw.
#pragma once

#include <string_view>
#include <type_traits>
#include <utility>

namespace velmora {

// Logs the current exception under `where` (OutError of the process's log),
// never throwing. Defined beside the debug log.
void LogCurrentError(std::string_view where) noexcept;

template <class F>
auto Trap(std::string_view where, F&& f) noexcept -> std::invoke_result_t<F> {
  using R = std::invoke_result_t<F>;
  try {
    return std::forward<F>(f)();
  } catch (...) {
    LogCurrentError(where);
  }
  if constexpr (!std::is_void_v<R>) return R{};
}

template <class F, class R>
R TrapOr(std::string_view where, R neutral, F&& f) noexcept {
  try {
    return std::forward<F>(f)();
  } catch (...) {
    LogCurrentError(where);
  }
  return neutral;
}

// True when the step ran without an error.
template <class F>
bool Ignore(F&& f) noexcept {
  try {
    std::forward<F>(f)();
    return true;
  } catch (...) {
    return false;
  }
}

// For entry points from the host: identical to Trap, named for what it guards.
template <class F>
auto Firewall(std::string_view where, F&& f) noexcept {
  return Trap(where, std::forward<F>(f));
}

}  // namespace velmora
