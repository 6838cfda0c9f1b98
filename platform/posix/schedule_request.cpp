#include "platform/posix/schedule_request.h"

#include <algorithm>
#include <array>

#include "addin/store/calendar.h"
#include "common/services.h"
#include "common/text.h"

namespace velmora::posix {

namespace {

constexpr std::int32_t kMaxOccurrences = 999;
constexpr const char* kPatternNotValid = "Recurrence pattern is not valid";
constexpr const char* kNumberNotValid = "The number is not valid.";

// The weekday choices of the dialog's n-th lists: day, weekday, weekend day,
// then the seven days.
constexpr std::array<std::int32_t, 10> kNthMasks = {127, 62, 65, 1, 2, 4, 8, 16, 32, 64};

constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};

void CheckInterval(const PatternRequest& p) {
  // The dialog's fields hold three digits for days, two for weeks and months.
  const std::int32_t max = MaxInterval(p.type);
  if (!(PatternFields(p.type) & pattern_field::kInterval)) return;
  // Daily with interval 0 runs on a set of weekdays: the set is checked instead.
  const bool weekdaysOnly = p.type == recurrence::kDaily && p.interval == 0;
  if ((p.interval < 1 && !weekdaysOnly) || p.interval > max)
    throw ScheduleError("--interval",
                        std::string(kNumberNotValid) + " (1 to " + std::to_string(max) + ")");
}

void CheckPattern(const PatternRequest& p) {
  switch (p.type) {
    case recurrence::kDaily:
      if (p.interval == 0 && (p.mask < 1 || p.mask > 127))
        throw ScheduleError("--days", std::string(kPatternNotValid) +
                                          " (every day of a weekday set needs its days)");
      break;
    case recurrence::kWeekly:
      if (p.mask < 1 || p.mask > 127)
        throw ScheduleError(
            "--days", std::string(kPatternNotValid) + " (a weekly pattern needs at least one day)");
      break;
    case recurrence::kMonthly:
      if (p.dayOfMonth < 1 || p.dayOfMonth > 31)
        throw ScheduleError("--day", std::string(kPatternNotValid) + " (day 1 to 31)");
      break;
    case recurrence::kYearly: {
      if (p.monthOfYear < 1 || p.monthOfYear > 12)
        throw ScheduleError("--month", std::string(kPatternNotValid) + " (month 1 to 12)");
      if (p.dayOfMonth < 1 || p.dayOfMonth > 31)
        throw ScheduleError("--day", std::string(kPatternNotValid) + " (day 1 to 31)");
      // Checked in the start's year, as the dialog does: 29 February only
      // when the pattern starts in a leap year.
      const int year = p.startDate.Year();
      const int days = GetDaysInMonth(DateTime::FromParts(year, p.monthOfYear, 1));
      if (p.dayOfMonth > days)
        throw ScheduleError("--day", std::string(kPatternNotValid) + " (" +
                                         kMonths[static_cast<std::size_t>(p.monthOfYear - 1)] +
                                         " " + std::to_string(year) + " has " +
                                         std::to_string(days) + " days)");
      break;
    }
    case recurrence::kMonthNth:
    case recurrence::kYearNth: {
      if (p.instance < 1 || p.instance > 5)
        throw ScheduleError("--instance", std::string(kPatternNotValid) + " (1 to 5, or last)");
      bool listed = false;
      for (std::int32_t m : kNthMasks)
        listed = listed || m == p.mask;
      if (!listed)
        throw ScheduleError("--days", std::string(kPatternNotValid) +
                                          " (one weekday, or weekdays, weekend or day)");
      if (p.type == recurrence::kYearNth && (p.monthOfYear < 1 || p.monthOfYear > 12))
        throw ScheduleError("--month", std::string(kPatternNotValid) + " (month 1 to 12)");
      break;
    }
    default:
      throw ScheduleError("--type", kPatternNotValid);
  }
}

void WritePattern(const PatternRequest& p, CMailProps& r) {
  namespace f = pattern_field;
  const unsigned fields = PatternFields(p.type);
  r.m_RecurrenceType = p.type;
  if (fields & f::kInterval) r.m_Interval = p.interval;
  // A daily pattern keeps weekdays only when it runs on them (interval 0).
  if (fields & f::kMask)
    r.m_DayOfWeekMask = p.type == recurrence::kDaily && p.interval != 0 ? 0 : p.mask;
  if (fields & f::kDay) r.m_DayOfMonth = p.dayOfMonth;
  if (fields & f::kMonth) r.m_MonthOfYear = p.monthOfYear;
  if (fields & f::kInstance) r.m_Instance = p.instance;
}

std::vector<DateTime> Occurrences(CMailProps& r, const host::Value& limit, const char* option) {
  std::optional<std::vector<DateTime>> list = r.GetOccurrences(limit);
  if (!list) throw ScheduleError(option, "the pattern's occurrences could not be computed");
  return std::move(*list);
}

}  // namespace

std::int32_t MaxInterval(std::int32_t type) {
  return type == recurrence::kDaily ? 999 : 99;
}

unsigned PatternFields(std::int32_t type) {
  namespace f = pattern_field;
  switch (type) {
    case recurrence::kDaily:
    case recurrence::kWeekly:
      return f::kInterval | f::kMask;
    case recurrence::kMonthly:
      return f::kInterval | f::kDay;
    case recurrence::kMonthNth:
      return f::kInterval | f::kInstance | f::kMask;
    case recurrence::kYearly:
      return f::kMonth | f::kDay;
    case recurrence::kYearNth:
      return f::kMonth | f::kInstance | f::kMask;
    default:
      return 0;
  }
}

std::string ShortMonthsNote(std::int32_t day) {
  return "Some months have fewer than " + std::to_string(day) +
         " days. For thease months, the occurrence will fall on the last day of the month.";
}

std::vector<std::string> ApplySchedule(const ScheduleRequest& request, CMailProps& r) {
  std::vector<std::string> notes;
  if (request.at) {
    r.m_IsRecurring = false;
    r.m_ScheduleTime = *request.at;
    return notes;
  }
  if (!request.pattern) throw ScheduleError("--at", "give --at TIME or a recurrence pattern");
  const PatternRequest& p = *request.pattern;
  CheckInterval(p);
  CheckPattern(p);
  if (p.type == recurrence::kMonthly && p.dayOfMonth >= 29)
    notes.push_back(ShortMonthsNote(p.dayOfMonth));

  // The dialog's OK on a scratch copy first: the caller's record changes only
  // once everything has passed.
  CMailProps next = r;
  next.m_PatternStartDate = p.startDate.DatePart();
  next.m_StartTime = DateTime::FromTime(p.timeOfDay.Hour(), p.timeOfDay.Minute(), 0);
  WritePattern(p, next);
  next.m_IsRecurring = true;
  switch (p.end) {
    case RangeEnd::kNever: {
      next.m_NoEndDate = true;
      next.m_Occurrences = 0;
      // The dialog shows where ten occurrences would end, and keeps that date.
      const auto ten = Occurrences(next, std::int32_t{10}, "--no-end");
      next.m_PatternEndDate = ten.empty() ? next.m_PatternStartDate : ten.back().DatePart();
      break;
    }
    case RangeEnd::kCount: {
      if (p.count < 1 || p.count > kMaxOccurrences)
        throw ScheduleError("--count", std::string(kNumberNotValid) + " (1 to 999)");
      next.m_NoEndDate = false;
      next.m_Occurrences = p.count;
      const auto list = Occurrences(next, p.count, "--count");
      next.m_PatternEndDate = list.empty() ? next.m_PatternStartDate : list.back().DatePart();
      break;
    }
    case RangeEnd::kUntil: {
      next.m_NoEndDate = false;
      const auto list = Occurrences(next, p.until.DatePart(), "--until");
      if (list.empty()) {
        const auto first = Occurrences(next, std::int32_t{1}, "--until");
        throw ScheduleError(
            "--until", "the end date " + ToIsoText(p.until).substr(0, 10) +
                           " is before the first occurrence" +
                           (first.empty() ? std::string() : " (" + ToIsoText(first.front()) + ")"));
      }
      next.m_Occurrences = static_cast<std::int32_t>(list.size());
      next.m_PatternEndDate = p.until.DatePart();
      if (next.m_Occurrences >= kMaxOccurrences) {
        // As the dialog does: at most 999, the end moved back to the last of them.
        next.m_Occurrences = kMaxOccurrences;
        next.m_PatternEndDate = list.back().DatePart();
        notes.push_back("the pattern ends after 999 occurrences, on " +
                        ToIsoText(list.back()).substr(0, 10));
      }
      break;
    }
  }
  try {
    next.SetFirstOccurrence();
  } catch (...) {
    throw ScheduleError("--start", "the pattern has no occurrence from its start date on");
  }
  if (!request.catchUp) {
    // The host sends one copy per missed occurrence, all in one pass: right
    // for a host that was down, a surprise for a schedule just written.
    const DateTime now = Now();
    std::size_t due = 0;
    if (next.m_ScheduleTime <= now)
      for (const DateTime t : Occurrences(next, now.DatePart(), "--start"))
        if (t <= now) ++due;
    if (!next.m_NoEndDate) due = std::min(due, static_cast<std::size_t>(next.m_Occurrences));
    if (due > 1)
      throw ScheduleError("--start",
                          std::to_string(due) +
                              (due >= static_cast<std::size_t>(kMaxOccurrences) ? " or more" : "") +
                              " occurrences are already due and would all leave at "
                              "once; give a later --start, or --catch-up to send them");
  }
  r = std::move(next);
  return notes;
}

}  // namespace velmora::posix
