// The occurrence rules of the schedule record: which date-times a recurrence
// pattern gives from its pattern start, and how the record moves from one
// occurrence to the next. The rules follow the host's own appointment model
// (day 31 clamps to shorter months, instance 5 is the last, weeks start on the
// host's first day of the week).
#include <algorithm>
#include <bit>
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
  // The weekday bit of c, carried along rather than worked out each day.
  int bit = c.WeekdayBit();
  while (out.Room(c)) {
    for (int pos = w; pos <= 7; ++pos) {
      if (bit & p.m_DayOfWeekMask) {
        if (!out.Room(c)) return;
        out.Add(c);
      }
      c = c.AddDays(1);
      bit = bit == 64 ? 1 : bit << 1;
    }
    // c stands on the first day of the next week; skip the weeks not due
    // (whole weeks: the weekday stays).
    w = 1;
    if (p.m_Interval > 1) c = c.AddDays(7 * (static_cast<std::int64_t>(p.m_Interval) - 1));
  }
}

// The monthly and yearly rules below step a month (or year) at a time on
// plain year and month numbers; they give the dates the host's own date
// arithmetic would, and fail where it would fail.

// Moves (y, m) on by n months, as adding months to a date of that month
// does; raises when the result leaves the host's years.
void AddMonthsTo(int& y, int& m, std::int64_t n) {
  const std::int64_t total = static_cast<std::int64_t>(y) * 12 + (m - 1) + n;
  const std::int64_t ny = FloorDiv(total, 12);
  if (ny < kMinYear || ny > kMaxYear)
    Raise(err::kInvalidCall, "Invalid procedure call or argument");
  y = static_cast<int>(ny);
  m = static_cast<int>(total - ny * 12) + 1;
}

// A day of a month within the host's years, at midnight.
DateTime DayOf(int y, int m, int d) {
  return DateTime::FromSeconds(DaysFromCivil(y, m, d) * kSecondsPerDay);
}

// The weekday bits (Sunday 1 to Saturday 64) turned so that bit k stands for
// the weekday `shift` days after Sunday plus k.
int Turn(int bits, int shift) {
  return ((bits >> shift) | (bits << (7 - shift))) & 0x7F;
}

// The day number of the n-th (1 to 4) or last (5) day of a month that
// matches the weekday bits (at least one set), from the weekday of its first
// day (0 Sunday to 6 Saturday) and its number of days.
int NthMatchingDay(int firstWeekday, int days, std::int32_t instance, int bits) {
  if (instance == recurrence::kInstanceLast) {
    // Bit k: the day 6 - k days before the last one matches; the highest wins.
    const int turned = Turn(bits, (firstWeekday + days - 7) % 7);
    return days - 6 + (std::bit_width(static_cast<unsigned>(turned)) - 1);
  }
  // Bit k: day 1 + k matches. Each week holds every matching weekday once:
  // whole weeks first, then the remaining matches of one more week.
  int turned = Turn(bits, firstWeekday);
  const int perWeek = std::popcount(static_cast<unsigned>(turned));
  int weeks = 0, left = instance - 1;
  while (left >= perWeek) {
    left -= perWeek;
    ++weeks;
  }
  for (; left > 0; --left)
    turned &= turned - 1;
  // At most the 28th: every month has that many days.
  return 1 + 7 * weeks + std::countr_zero(static_cast<unsigned>(turned));
}

// The day the instance rules fall on in month m of year y, at midnight.
// Patterns GetInstanceDay refuses (and years out of range) take its own
// path, with its log lines and its day 0.
DateTime InstanceDate(const CMailProps& p, int y, int m) {
  const int bits = p.m_DayOfWeekMask & 0x7F;
  if (p.m_Instance >= 1 && p.m_Instance <= recurrence::kInstanceLast && p.m_DayOfWeekMask < 128 &&
      bits != 0 && y >= kMinYear && y <= kMaxYear && m >= 1 && m <= 12) {
    const std::int64_t first = DaysFromCivil(y, m, 1);
    // Positive from year 100 on, a whole number of weeks added; the zero
    // day was a Saturday.
    const int weekday = static_cast<int>((first + 700006) % 7);
    const int d = NthMatchingDay(weekday, DaysInMonth(y, m), p.m_Instance, bits);
    return DateTime::FromSeconds((first + d - 1) * kSecondsPerDay);
  }
  return DateTime::FromParts(y, m,
                             CMailProps::GetInstanceDay(y, m, p.m_Instance, p.m_DayOfWeekMask));
}

void Monthly(const CMailProps& p, Collector& out, DateTime c) {
  // An interval below 1 would never leave the month, and a day number below
  // 1 would step backwards: neither walk would end. A day above 31 is
  // clamped to each month's last day, as any shorter month clamps 31.
  if (p.m_Interval < 1) InvalidPattern("interval");
  if (p.m_DayOfMonth < 1) InvalidPattern("day of month");
  const CivilDate civil = c.Civil();
  int y = civil.year, m = civil.month;
  const int timeOfDay = c.SecondsOfDay();
  if (p.m_PatternStartDate.Day() > std::min(p.m_DayOfMonth, DaysInMonth(y, m)))
    AddMonthsTo(y, m, p.m_Interval);
  for (;;) {
    // Clamped in every month, so day 31 comes back after a shorter month.
    c = DayOf(y, m, std::min(p.m_DayOfMonth, DaysInMonth(y, m))).AddSeconds(timeOfDay);
    if (!out.Room(c)) return;
    out.Add(c);
    AddMonthsTo(y, m, p.m_Interval);
  }
}

void MonthNth(const CMailProps& p, Collector& out, DateTime c, std::int64_t startSeconds) {
  if (p.m_Interval < 1) InvalidPattern("interval");
  DateTime s = DateTime::FromParts(c.Year(), c.Month(), 1);
  if (p.m_PatternStartDate.Day() >
      p.GetInstanceDay(s.Year(), s.Month(), p.m_Instance, p.m_DayOfWeekMask))
    s = s.AddMonths(p.m_Interval);
  int y = s.Year(), m = s.Month();
  for (;;) {
    c = InstanceDate(p, y, m).AddSeconds(startSeconds);
    if (!out.Room(c)) return;
    out.Add(c);
    AddMonthsTo(y, m, p.m_Interval);
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
  // From the built date: a month out of range has run over into its year.
  int y = c.Year(), m = c.Month();
  for (;;) {
    // 29 February falls on the 28th in the years without one.
    c = DayOf(y, m, std::min(p.m_DayOfMonth, DaysInMonth(y, m))).AddSeconds(startSeconds);
    if (!out.Room(c)) return;
    out.Add(c);
    AddMonthsTo(y, m, 12);
  }
}

void YearNth(const CMailProps& p, Collector& out, DateTime c, std::int64_t startSeconds) {
  c = DateTime::FromParts(
      c.Year(), p.m_MonthOfYear,
      p.GetInstanceDay(c.Year(), p.m_MonthOfYear, p.m_Instance, p.m_DayOfWeekMask));
  if (c < p.m_PatternStartDate) c = c.AddYears(1);
  for (int y = c.Year();; ++y) {
    c = InstanceDate(p, y, p.m_MonthOfYear).AddSeconds(startSeconds);
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
    // A negative mask counts by its low seven bits, as a day's bit sees it.
    const int bits = mask & 0x7F;
    const int day =
        instance >= 1 && bits != 0 ? NthMatchingDay(first.Weekday() - 1, n, instance, bits) : 0;
    if (day == 0) g_debug().OutError("CMailProps::GetInstanceDay - Stop");
    return day;
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
