// Reading option values of the velmora commands: whole numbers in a range,
// ISO dates, clock times, weekday lists, instances, months and first days of
// the week. Each raises UsageError naming the option and the text at fault.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

#include "common/datetime.h"

namespace velmora::cli {

// The largest whole number an option takes where no smaller bound applies.
inline constexpr std::int32_t kMaxWhole = std::numeric_limits<std::int32_t>::max();

std::int32_t ParseWhole(std::string_view option, std::string_view text, std::int32_t min,
                        std::int32_t max);
// YYYY-MM-DD, a real calendar date in the host's range (years 100 to 9999).
DateTime ParseIsoDate(std::string_view option, std::string_view text);
// HH:MM or HH:MM:SS, as a time of day on the zero day.
DateTime ParseClockTime(std::string_view option, std::string_view text);
// A day-of-week mask from 1 to 127 given as a number.
std::int32_t ParseWeekdayMask(std::string_view option, std::string_view text);
// Weekday names separated by commas ("mon,fri", "monday", "weekdays", "weekend").
std::int32_t ParseWeekdays(std::string_view option, std::string_view text);
// 1 to 5, or first, second, third, fourth, last.
std::int32_t ParseInstance(std::string_view option, std::string_view text);
// 1 to 12, or a month's name or its first three letters.
std::int32_t ParseMonth(std::string_view option, std::string_view text);
// 0 (the system's) or 1 Sunday to 7 Saturday, or "system" or a weekday name.
int ParseFirstDow(std::string_view option, std::string_view text);

}  // namespace velmora::cli
