#include "apps/velmora/option_values.h"

#include <array>
#include <string>
#include <vector>

#include "apps/velmora/command.h"
#include "common/text.h"

namespace velmora::cli {

namespace {

[[noreturn]] void Bad(std::string_view option, std::string_view expected, std::string_view text) {
  std::string msg(option);
  msg += ": expected ";
  msg += expected;
  msg += ", got '";
  msg += text;
  msg += "'";
  throw UsageError(msg);
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int Digits(std::string_view s) {
  int v = 0;
  for (char c : s)
    v = v * 10 + (c - '0');
  return v;
}

// Names of Sunday ... Saturday: full, and the short forms people type.
struct DayName {
  const char* full;
  const char* shortName;
  const char* other;
};
constexpr std::array<DayName, 7> kDays = {{{"sunday", "sun", "su"},
                                           {"monday", "mon", "mo"},
                                           {"tuesday", "tue", "tues"},
                                           {"wednesday", "wed", "we"},
                                           {"thursday", "thu", "thurs"},
                                           {"friday", "fri", "fr"},
                                           {"saturday", "sat", "sa"}}};

// 1 Sunday ... 7 Saturday, or 0 when the text names no weekday.
int WeekdayNumber(std::string_view lower) {
  for (std::size_t i = 0; i < kDays.size(); ++i)
    if (lower == kDays[i].full || lower == kDays[i].shortName || lower == kDays[i].other)
      return static_cast<int>(i) + 1;
  return 0;
}

}  // namespace

std::int32_t ParseWhole(std::string_view option, std::string_view text, std::int32_t min,
                        std::int32_t max) {
  std::int32_t v = 0;
  if (!ParseInt32(text, v) || v < min || v > max)
    Bad(option, "a whole number from " + std::to_string(min) + " to " + std::to_string(max), text);
  return v;
}

DateTime ParseIsoDate(std::string_view option, std::string_view text) {
  const std::vector<std::string> parts = Split(text, '-');
  if (parts.size() != 3 || parts[0].size() != 4 || parts[1].size() != 2 || parts[2].size() != 2 ||
      !AllDigits(parts[0]) || !AllDigits(parts[1]) || !AllDigits(parts[2]))
    Bad(option, "a date as YYYY-MM-DD", text);
  const int y = Digits(parts[0]), m = Digits(parts[1]), d = Digits(parts[2]);
  if (y < kMinYear || y > kMaxYear || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m))
    Bad(option, "a calendar date from 0100-01-01 to 9999-12-31", text);
  return DateTime::FromParts(y, m, d);
}

DateTime ParseClockTime(std::string_view option, std::string_view text) {
  const std::vector<std::string> parts = Split(text, ':');
  bool ok = (parts.size() == 2 || parts.size() == 3) && parts[0].size() >= 1 &&
            parts[0].size() <= 2 && AllDigits(parts[0]);
  for (std::size_t i = 1; ok && i < parts.size(); ++i)
    ok = parts[i].size() == 2 && AllDigits(parts[i]);
  if (!ok) Bad(option, "a time as HH:MM", text);
  const int h = Digits(parts[0]), m = Digits(parts[1]);
  const int s = parts.size() == 3 ? Digits(parts[2]) : 0;
  if (h > 23 || m > 59 || s > 59) Bad(option, "a time from 00:00 to 23:59", text);
  return DateTime::FromTime(h, m, s);
}

std::int32_t ParseWeekdayMask(std::string_view option, std::string_view text) {
  std::int32_t v = 0;
  if (!ParseInt32(text, v) || v < 1 || v > 127)
    Bad(option, "a weekday mask from 1 to 127 (Sunday 1, Monday 2 ... Saturday 64)", text);
  return v;
}

std::int32_t ParseWeekdays(std::string_view option, std::string_view text) {
  std::int32_t mask = 0;
  for (const std::string& piece : Split(text, ',')) {
    const std::string name = ToLowerAscii(Trim(piece));
    if (name == "weekdays" || name == "workdays") {
      mask |= 62;
    } else if (name == "weekend") {
      mask |= 65;
    } else if (const int day = WeekdayNumber(name)) {
      mask |= 1 << (day - 1);
    } else {
      Bad(option, "weekday names such as mon,fri (or weekdays, weekend)", text);
    }
  }
  return mask;
}

std::int32_t ParseInstance(std::string_view option, std::string_view text) {
  static constexpr std::array<const char*, 5> kNames = {"first", "second", "third", "fourth",
                                                        "last"};
  const std::string lower = ToLowerAscii(Trim(text));
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (lower == kNames[i]) return static_cast<std::int32_t>(i) + 1;
  std::int32_t v = 0;
  if (!ParseInt32(text, v) || v < 1 || v > 5)
    Bad(option, "an instance from 1 to 5 (first, second, third, fourth, last)", text);
  return v;
}

std::int32_t ParseMonth(std::string_view option, std::string_view text) {
  static constexpr std::array<const char*, 12> kNames = {
      "january", "february", "march",     "april",   "may",      "june",
      "july",    "august",   "september", "october", "november", "december"};
  const std::string lower = ToLowerAscii(Trim(text));
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (lower == kNames[i] || lower == std::string_view(kNames[i]).substr(0, 3))
      return static_cast<std::int32_t>(i) + 1;
  std::int32_t v = 0;
  if (!ParseInt32(text, v) || v < 1 || v > 12) Bad(option, "a month from 1 to 12", text);
  return v;
}

int ParseFirstDow(std::string_view option, std::string_view text) {
  const std::string lower = ToLowerAscii(Trim(text));
  if (lower == "system") return 0;
  if (const int day = WeekdayNumber(lower)) return day;
  std::int32_t v = 0;
  if (!ParseInt32(text, v) || v < 0 || v > 7)
    Bad(option, "a first day of the week from 0 (the system's) to 7 (1 Sunday ... 7 Saturday)",
        text);
  return v;
}

}  // namespace velmora::cli
