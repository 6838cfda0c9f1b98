// The occurrence rules of the schedule record: which date-times a recurrence
// pattern gives from its pattern start, and how the record moves from one
// occurrence to the next. The rules follow the host's own appointment model
// (day 31 clamps to shorter months, instance 5 is the last, weeks start on the
// host's first day of the week).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/calendar.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/text.h"
#include "common/trap.h"

namespace velmora {

namespace {

// A date argument never gives more than this many occurrences.
constexpr std::int32_t kDateCountLimit = 999;
// A count argument looks this many years past the pattern start at most.
constexpr std::int64_t kCountYears = 1000;

struct Limits {
  std::int32_t count = 0;
  DateTime end;
};

// The host's conversion of a number to a 32-bit integer: to the nearest,
// halves to even; overflow outside the range.
std::int32_t ToInt32(double d) {
  const double r = std::nearbyint(d);
  if (!std::isfinite(r) || r < std::numeric_limits<std::int32_t>::min() ||
      r > std::numeric_limits<std::int32_t>::max())
    Raise(err::kOverflow, "Overflow");
  return static_cast<std::int32_t>(r);
}

std::optional<double> NumericText(std::string_view s) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  double d = 0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
  if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return d;
}

[[noreturn]] void InvalidParam() {
  g_debug().Out("GetOccurrences invalid param");
  Raise(err::kTypeMismatch, "Type mismatch");
}

[[noreturn]] void InvalidPattern(const char* what) {
  Raise(err::kInvalidCall, std::string("Invalid procedure call or argument: ") + what);
}

// The collected occurrences and the test for room for one more.
class Collector {
 public:
  explicit Collector(Limits limits) : limits_(limits) {}
  bool Room(DateTime c) const {
    return static_cast<std::int64_t>(list_.size()) < limits_.count && c <= limits_.end;
  }
  void Add(DateTime c) { list_.push_back(c); }
  std::vector<DateTime> Take() { return std::move(list_); }

 private:
  Limits limits_;
  std::vector<DateTime> list_;
};

bool Matches(DateTime c, std::int32_t mask) {
  return (c.WeekdayBit() & mask) != 0;
}

// 1 for the first day of the week (1 Sunday to 7 Saturday) through 7.
int WeekPosition(DateTime c, int firstDow) {
  return (c.Weekday() - firstDow + 7) % 7 + 1;
}

// The count limit and end limit an argument sets.
Limits ReadLimits(const host::Value& arg, DateTime first, std::int64_t startSeconds) {
  std::optional<DateTime> endDate;
  std::optional<std::int32_t> count;
  if (const auto* t = std::get_if<DateTime>(&arg)) {
    endDate = *t;
  } else if (const auto* n = std::get_if<std::int32_t>(&arg)) {
    count = *n;
  } else if (const auto* d = std::get_if<double>(&arg)) {
    count = ToInt32(*d);
  } else if (const auto* s = std::get_if<std::string>(&arg)) {
    if (std::optional<DateTime> read = ReadDateText(*s))
      endDate = read;
    else if (std::optional<double> num = NumericText(*s))
      count = ToInt32(*num);
  }
  if (endDate) return {kDateCountLimit, endDate->DatePart().AddSeconds(startSeconds)};
  if (count) return {*count, first.AddYears(kCountYears)};
  InvalidParam();
}

// The day number of a monthly or yearly pattern in the month of d: the
// pattern's day, or the month's last day when the month is shorter.
int ClampedDay(const CMailProps& p, DateTime d) {
  return std::min(p.m_DayOfMonth, GetDaysInMonth(d));
}

void Daily(const CMailProps& p, Collector& out, DateTime c) {
  if (p.m_Interval < 0) InvalidPattern("interval");
  if (p.m_Interval != 0) {
    while (out.Room(c)) {
      out.Add(c);
      c = c.AddDays(p.m_Interval);
    }
    return;
  }
  while (out.Room(c)) {
    if (Matches(c, p.m_DayOfWeekMask)) out.Add(c);
    c = c.AddDays(1);
  }
}

void Weekly(const CMailProps& p, Collector& out, DateTime c) {
  int w = WeekPosition(c, EffectiveFirstDOW());
  while (out.Room(c)) {
    for (int pos = w; pos <= 7; ++pos) {
      if (Matches(c, p.m_DayOfWeekMask)) {
        if (!out.Room(c)) return;
        out.Add(c);
      }
      c = c.AddDays(1);
    }
    // c stands on the first day of the next week; skip the weeks not due.
    w = 1;
    if (p.m_Interval > 1) c = c.AddDays(7 * (static_cast<std::int64_t>(p.m_Interval) - 1));
  }
}

void Monthly(const CMailProps& p, Collector& out, DateTime c) {
  // An interval below 1 would never leave the month, and a day number below
  // 1 would step backwards: neither walk would end. A day above 31 is
  // clamped to each month's last day, as any shorter month clamps 31.
  if (p.m_Interval < 1) InvalidPattern("interval");
  if (p.m_DayOfMonth < 1) InvalidPattern("day of month");
  if (p.m_PatternStartDate.Day() > ClampedDay(p, c)) c = c.AddMonths(p.m_Interval);
  for (;;) {
    // Re-clamped every month, so day 31 comes back after a shorter month.
    c = c.AddDays(ClampedDay(p, c) - c.Day());
    if (!out.Room(c)) return;
    out.Add(c);
    c = c.AddMonths(p.m_Interval);
  }
}

void MonthNth(const CMailProps& p, Collector& out, DateTime c, std::int64_t startSeconds) {
  if (p.m_Interval < 1) InvalidPattern("interval");
  DateTime s = DateTime::FromParts(c.Year(), c.Month(), 1);
  if (p.m_PatternStartDate.Day() >
      p.GetInstanceDay(s.Year(), s.Month(), p.m_Instance, p.m_DayOfWeekMask))
    s = s.AddMonths(p.m_Interval);
  for (;;) {
    const int d = p.GetInstanceDay(s.Year(), s.Month(), p.m_Instance, p.m_DayOfWeekMask);
    c = DateTime::FromParts(s.Year(), s.Month(), d).AddSeconds(startSeconds);
    if (!out.Room(c)) return;
    out.Add(c);
    s = s.AddMonths(p.m_Interval);
  }
}

void Yearly(const CMailProps& p, Collector& out, DateTime c, std::int64_t startSeconds) {
  // A month outside 1 to 12 runs over into the years around, as a built
  // date lets it (13 is January of the next year); the day is clamped.
  if (p.m_DayOfMonth < 1) InvalidPattern("day of month");
  const DateTime month = DateTime::FromParts(c.Year(), p.m_MonthOfYear, 1);
  c = DateTime::FromParts(c.Year(), p.m_MonthOfYear,
                          std::min(p.m_DayOfMonth, GetDaysInMonth(month)));
  if (c < p.m_PatternStartDate) c = c.AddYears(1);
  c = c.AddSeconds(startSeconds);
  for (;;) {
    c = c.AddDays(ClampedDay(p, c) - c.Day());
    if (!out.Room(c)) return;
    out.Add(c);
    c = c.AddYears(1);
  }
}

void YearNth(const CMailProps& p, Collector& out, DateTime c, std::int64_t startSeconds) {
  c = DateTime::FromParts(
      c.Year(), p.m_MonthOfYear,
      p.GetInstanceDay(c.Year(), p.m_MonthOfYear, p.m_Instance, p.m_DayOfWeekMask));
  if (c < p.m_PatternStartDate) c = c.AddYears(1);
  for (int y = c.Year();; ++y) {
    const int d = p.GetInstanceDay(y, p.m_MonthOfYear, p.m_Instance, p.m_DayOfWeekMask);
    c = DateTime::FromParts(y, p.m_MonthOfYear, d).AddSeconds(startSeconds);
    if (!out.Room(c)) return;
    out.Add(c);
  }
}

}  // namespace

std::optional<std::vector<DateTime>> CMailProps::GetOccurrences(
    const host::Value& EndDateOrNumOccurrences) {
  return GetOccurrences1(EndDateOrNumOccurrences);
}

std::optional<std::vector<DateTime>> CMailProps::GetOccurrences1(
    const host::Value& EndDateOrNumOccurrences) {
  using Result = std::optional<std::vector<DateTime>>;
  return TrapOr("CMailProps::GetOccurrences1", Result{}, [&]() -> Result {
    const std::int64_t startSeconds = m_StartTime.SecondsOfDay();
    const DateTime first = m_PatternStartDate.AddSeconds(startSeconds);
    Collector out(ReadLimits(EndDateOrNumOccurrences, first, startSeconds));
    switch (m_RecurrenceType) {
      case recurrence::kDaily:
        Daily(*this, out, first);
        break;
      case recurrence::kWeekly:
        Weekly(*this, out, first);
        break;
      case recurrence::kMonthly:
        Monthly(*this, out, first);
        break;
      case recurrence::kMonthNth:
        MonthNth(*this, out, first, startSeconds);
        break;
      case recurrence::kYearly:
        Yearly(*this, out, first, startSeconds);
        break;
      case recurrence::kYearNth:
        YearNth(*this, out, first, startSeconds);
        break;
      default:
        break;  // no rule: no occurrences
    }
    return out.Take();
  });
}

std::int32_t CMailProps::GetInstanceDay(std::int32_t year, std::int32_t month,
                                        std::int32_t instance, std::int32_t mask) {
  return TrapOr("CMailProps::GetInstanceDay", std::int32_t{0}, [&]() -> std::int32_t {
    const DateTime first = DateTime::FromParts(year, month, 1);
    const int n = GetDaysInMonth(first);
    if (!(mask < 128 && mask != 0 && instance < 6)) {
      g_debug().OutError("CMailProps::GetInstanceDay - Invalid Params");
      return 0;
    }
    if (instance != recurrence::kInstanceLast) {
      int found = 0;
      for (int i = 1; i <= n; ++i)
        if (Matches(first.AddDays(i - 1), mask) && ++found == instance) return i;
    } else {
      for (int i = n; i >= 1; --i)
        if (Matches(first.AddDays(i - 1), mask)) return i;
    }
    g_debug().OutError("CMailProps::GetInstanceDay - Stop");
    return 0;
  });
}

void CMailProps::SetFirstOccurrence() {
  if (!m_IsRecurring) return;
  const std::optional<std::vector<DateTime>> list = GetOccurrences(std::int32_t{1});
  if (!list) Raise(err::kObjectNotSet, "Object variable not set");
  if (list->empty()) Raise(err::kSubscript, "Subscript out of range");
  m_ScheduleTime = list->front();
  m_PatternStartDate = m_ScheduleTime.DatePart();
}

bool CMailProps::SetNextOccurrence() {
  if (!m_IsRecurring || (!m_NoEndDate && m_Occurrences < 2)) return false;
  // The first item is the pending occurrence itself: the pattern start is its date.
  const std::optional<std::vector<DateTime>> list = GetOccurrences(std::int32_t{2});
  if (!list) Raise(err::kObjectNotSet, "Object variable not set");
  if (list->size() < 2) Raise(err::kSubscript, "Subscript out of range");
  m_ScheduleTime = (*list)[1];
  m_PatternStartDate = m_ScheduleTime.DatePart();
  if (!m_NoEndDate) --m_Occurrences;
  return true;
}

}  // namespace velmora
