// The arithmetic of the launcher's tick: when a recorded time is due, and
// when the next tick falls (the next full half minute).
#pragma once

#include <cstdint>

#include "common/datetime.h"

namespace velmora::tray {

constexpr DateTime WithoutSeconds(DateTime t) noexcept {
  return t.AddSeconds(-t.Second());
}

// Whole minutes from `now` without its seconds to `due` (negative when `due`
// lies in an earlier minute); `due` is expected without seconds too.
constexpr std::int64_t MinutesUntil(DateTime now, DateTime due) noexcept {
  const std::int64_t s = due.Seconds() - WithoutSeconds(now).Seconds();
  return s >= 0 ? s / 60 : -((-s + 59) / 60);
}

// Due when the time lies in the current minute or earlier.
constexpr bool IsDue(DateTime now, DateTime due) noexcept {
  return MinutesUntil(now, due) < 1;
}

// Milliseconds to the next second 0 or 30, from the second of the minute;
// never less than a second.
constexpr int RearmInterval(int second) noexcept {
  const int ms = (second >= 30 ? 60 - second : 30 - second) * 1000;
  return ms > 0 ? ms : 1000;
}

}  // namespace velmora::tray
