// The host's first day of the week and the small calendar helpers that the
// recurrence rules and the recurrence dialog share.
#pragma once

#include <cstdint>
#include <optional>

#include "common/datetime.h"

namespace velmora {

// The host's first day of the week from its calendar options: 1 Sunday to
// 7 Saturday, or 0 when the host leaves it to the system.
int LoadFirstDOW();
// The system's own first day of the week (1 Sunday to 7 Saturday), from the
// user's locale; Sunday when the locale does not say.
int SystemFirstDOW();
// The first day the rules walk weeks from: LoadFirstDOW, or the system's when
// that is 0.
int EffectiveFirstDOW();

// Fixes what LoadFirstDOW answers while it lives (0 to 7), without touching
// the user's registry; for a command-line run that names the first day.
class ScopedFirstDOW {
 public:
  explicit ScopedFirstDOW(int firstDow);
  ~ScopedFirstDOW();
  ScopedFirstDOW(const ScopedFirstDOW&) = delete;
  ScopedFirstDOW& operator=(const ScopedFirstDOW&) = delete;

 private:
  std::optional<int> saved_;
};

// The number of days in the month of d.
int GetDaysInMonth(DateTime d);
// Which of its month's weekdays of that name d is: 1 to 4, or 5 when it is
// the last one of the month.
int GetWeekInstance(DateTime d);
// Monday to Friday as a day-of-week mask.
std::int32_t GetWorkdayMask();

}  // namespace velmora
