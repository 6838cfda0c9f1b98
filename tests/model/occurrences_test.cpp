// Occurrence rules of the schedule record: every recurrence type, both
// limits, the week boundary, clamping, refusals, and how the record walks
// forward.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/calendar.h"
#include "addin/store/versions.h"
#include "common/host_error.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "common/settings.h"
#include "common/winreg.h"
#include "platform/posix/registry_sqlite.h"
#include "support/captured_log.h"

namespace velmora::test {
namespace {

using Strings = std::vector<std::string>;
namespace rt = recurrence;

DateTime D(int y, int m, int d) {
  return DateTime::FromParts(y, m, d);
}

Strings Iso(const std::optional<std::vector<DateTime>>& list) {
  if (!list) return {"<no list>"};
  Strings out;
  for (DateTime t : *list)
    out.push_back(ToIsoText(t));
  return out;
}

// The host's calendar options in memory, a United States locale.
class OccurrenceTest : public ::testing::Test {
 protected:
  OccurrenceTest() : savedVersion_(g_OutlookVersion) { g_OutlookVersion = "11.0"; }
  ~OccurrenceTest() override { g_OutlookVersion = savedVersion_; }

  // The host's "FirstDOW" option, in its own numbering (0 = Sunday).
  void SetHostFirstDOW(std::int32_t hostValue) {
    CWinReg reg(registry_);
    ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER,
                                 "Software\\Microsoft\\Office\\11.0\\Outlook\\Options\\Calendar",
                                 true));
    ASSERT_TRUE(reg.SetNumber("FirstDOW", hostValue));
  }
  static CMailProps Recurring(std::int32_t type, DateTime patternStart) {
    CMailProps p;
    p.m_IsRecurring = true;
    p.m_RecurrenceType = type;
    p.m_Interval = 1;
    p.m_NoEndDate = true;
    p.m_PatternStartDate = patternStart;
    p.m_StartTime = DateTime::FromTime(9, 0, 0);
    return p;
  }

  posix::SqliteRegistry registry_{":memory:"};
  RegistrySettings settings_{registry_};
  PictureLocale locale_;
  ScopedServices services_{Services{.locale = &locale_,
                                    .registry = &registry_,
                                    .settings = &settings_,
                                    .logFolder = GetServices().logFolder}};
  std::string savedVersion_;
};

// One pattern read from its start up to a limit (a count or an end date).
struct Walk {
  const char* what;
  std::int32_t type;
  DateTime start;
  std::int32_t interval, dayOfMonth, monthOfYear, instance, mask;
  host::Value limit;
  const char* dates;  // each at the start time, 9:00; nullptr: refused
};

Strings AtNine(const char* dates) {
  if (!dates) return {"<no list>"};
  Strings out;
  const std::string_view all(dates);
  for (std::size_t at = 0; at < all.size(); at += 11)
    out.push_back(std::string(all.substr(at, 10)) + " 09:00:00");
  return out;
}

constexpr std::int32_t kLast = rt::kInstanceLast;  // 62 below: the weekdays

TEST_F(OccurrenceTest, EveryPatternWalksFromItsStartOrIsRefused) {
  SetHostFirstDOW(0);
  CapturedLog log;  // refusals log
  const Walk walks[] = {
      {"every 3 days", rt::kDaily, D(2027, 3, 1), 3, 0, 0, 0, 0, 3,
       "2027-03-01 2027-03-04 2027-03-07"},
      // Whatever time the end date carries, the limit is that day at the start time.
      {"to 7:00", rt::kDaily, D(2027, 3, 8), 1, 0, 0, 0, 0, D(2027, 3, 10).AddSeconds(25200),
       "2027-03-08 2027-03-09 2027-03-10"},
      {"weekdays", rt::kDaily, D(2027, 3, 5), 0, 0, 0, 0, 62, 3,
       "2027-03-05 2027-03-08 2027-03-09"},
      // Weekly intervals below 1 are every week.
      {"weekly 0", rt::kWeekly, D(2027, 3, 1), 0, 0, 0, 0, 2, 2, "2027-03-01 2027-03-08"},
      {"every other week from a Wednesday", rt::kWeekly, D(2027, 3, 3), 2, 0, 0, 0, 34, 3,
       "2027-03-05 2027-03-15 2027-03-19"},
      {"weekly end date inside the week", rt::kWeekly, D(2027, 3, 1), 1, 0, 0, 0, 2 | 8 | 32,
       D(2027, 3, 10), "2027-03-01 2027-03-03 2027-03-05 2027-03-08 2027-03-10"},
      // Day 31 clamps to each month without being lost.
      {"day 31", rt::kMonthly, D(2027, 1, 15), 1, 31, 0, 0, 0, 3,
       "2027-01-31 2027-02-28 2027-03-31"},
      // A start after the day begins one interval later; on the day itself, that day.
      {"after", rt::kMonthly, D(2027, 1, 20), 2, 15, 0, 0, 0, 2, "2027-03-15 2027-05-15"},
      {"on", rt::kMonthly, D(2027, 1, 15), 1, 15, 0, 0, 0, 2, "2027-01-15 2027-02-15"},
      {"last Monday", rt::kMonthNth, D(2027, 5, 1), 1, 0, 0, kLast, 2, 2, "2027-05-31 2027-06-28"},
      {"first weekday of a month opening on a weekend", rt::kMonthNth, D(2027, 5, 1), 1, 0, 0, 1,
       62, 3, "2027-05-03 2027-06-01 2027-07-01"},
      {"last Monday, from that very day", rt::kMonthNth, D(2027, 5, 31), 1, 0, 0, kLast, 2, 2,
       "2027-05-31 2027-06-28"},
      {"last weekend day", rt::kMonthNth, D(2027, 2, 1), 1, 0, 0, kLast, 65, 2,
       "2027-02-28 2027-03-28"},
      {"instance passed: on by the interval", rt::kMonthNth, D(2027, 3, 10), 3, 0, 0, 1, 2, 2,
       "2027-06-07 2027-09-06"},
      // An invalid instance falls on the last day of the previous month.
      {"instance 0", rt::kMonthNth, D(2027, 3, 1), 1, 0, 0, 0, 2, 2, "2027-03-31 2027-04-30"},
      // 29 February clamps in common years; the interval is unused.
      {"29 February", rt::kYearly, D(2027, 1, 10), 7, 29, 2, 0, 0, 3,
       "2027-02-28 2028-02-29 2029-02-28"},
      {"yearly on its own day", rt::kYearly, D(2027, 5, 15), 1, 15, 5, 0, 0, 1, "2027-05-15"},
      {"yearly day passed", rt::kYearly, D(2027, 5, 20), 1, 15, 5, 0, 0, 1, "2028-05-15"},
      {"fourth Thursday of November", rt::kYearNth, D(2027, 1, 1), 1, 0, 11, 4, 16, 3,
       "2027-11-25 2028-11-23 2029-11-22"},
      {"last Monday of May, from that very day", rt::kYearNth, D(2027, 5, 31), 1, 0, 5, kLast, 2, 2,
       "2027-05-31 2028-05-29"},
      {"yearly instance passed", rt::kYearNth, D(2027, 6, 1), 1, 0, 5, kLast, 2, 1, "2028-05-29"},
      // Months out of range (hand-edited, foreign data) run over into the years around.
      {"month 14", rt::kYearly, D(2027, 1, 10), 1, 31, 14, 0, 0, 2, "2028-02-29 2029-02-28"},
      {"instance in month 13", rt::kYearNth, D(2027, 1, 10), 1, 0, 13, 1, 2, 2,
       "2029-01-01 2030-01-07"},
      {"to the last day", rt::kDaily, D(9999, 12, 30), 1, 0, 0, 0, 0, D(9999, 12, 31),
       "9999-12-30 9999-12-31"},
      // Empty lists, not failures.
      {"unknown type", 4, D(2027, 1, 1), 1, 0, 0, 0, 0, 3, ""},
      {"end before the start", rt::kDaily, D(2027, 3, 8), 1, 0, 0, 0, 0, D(2027, 3, 7), ""},
      {"daily, empty mask", rt::kDaily, D(2027, 3, 1), 0, 0, 0, 0, 0, 2, ""},
      {"weekly, empty mask", rt::kWeekly, D(2027, 3, 1), 0, 0, 0, 0, 0, 2, ""},
      // Patterns that could never end, and walks leaving the calendar.
      {"daily interval -1", rt::kDaily, D(2027, 3, 8), -1, 0, 0, 0, 0, 9, nullptr},
      {"monthly interval 0", rt::kMonthly, D(2027, 1, 15), 0, 15, 0, 0, 0, 9, nullptr},
      {"day 0", rt::kMonthly, D(2027, 1, 15), 1, 0, 0, 0, 0, 9, nullptr},
      {"instance, interval 0", rt::kMonthNth, D(2027, 3, 1), 0, 0, 0, 2, 2, 9, nullptr},
      {"yearly day 0", rt::kYearly, D(2027, 5, 20), 1, 0, 5, 0, 0, 9, nullptr},
      {"yearly past 9999", rt::kYearNth, D(9999, 1, 1), 1, 0, 1, 1, 2, 2, nullptr},
  };
  for (const Walk& w : walks) {
    CMailProps p = Recurring(w.type, w.start);
    p.m_Interval = w.interval;
    p.m_DayOfMonth = w.dayOfMonth;
    p.m_MonthOfYear = w.monthOfYear;
    p.m_Instance = w.instance;
    p.m_DayOfWeekMask = w.mask;
    EXPECT_EQ(Iso(p.GetOccurrences(w.limit)), AtNine(w.dates)) << w.what;
  }
}

TEST_F(OccurrenceTest, WeeklyStartOnSundayDependsOnTheFirstDayOfTheWeek) {
  CMailProps p = Recurring(rt::kWeekly, D(2027, 3, 7));  // a Sunday
  p.m_Interval = 2;
  p.m_DayOfWeekMask = 34;
  const Strings sundayFirst{"2027-03-08 09:00:00", "2027-03-12 09:00:00"};
  const Strings mondayFirst{"2027-03-15 09:00:00", "2027-03-19 09:00:00"};
  const auto first2 = [&] { return Iso(p.GetOccurrences(std::int32_t{2})); };

  SetHostFirstDOW(0);  // Sunday opens the week that holds Monday 8 March
  EXPECT_EQ(first2(), sundayFirst);
  {
    ScopedFirstDOW override(2);  // Monday, over the stored option
    EXPECT_EQ(first2(), mondayFirst);
  }
  SetHostFirstDOW(1);  // Sunday closes its week; the next week is skipped
  EXPECT_EQ(first2(), mondayFirst);
}

TEST_F(OccurrenceTest, TheLimitArgumentInEveryFormAndItsBounds) {
  CapturedLog log;
  CMailProps p = Recurring(rt::kDaily, D(2027, 3, 8));
  EXPECT_EQ(Iso(p.GetOccurrences(std::string(" 2 "))).size(), 2u);
  // Text that reads as a date in the user's settings is an end date.
  EXPECT_EQ(Iso(p.GetOccurrences(std::string("3/9/2027"))),
            (Strings{"2027-03-08 09:00:00", "2027-03-09 09:00:00"}));
  // Numbers convert as the host converts them: to the nearest, halves to even.
  EXPECT_EQ(Iso(p.GetOccurrences(2.5)).size(), 2u);
  EXPECT_EQ(Iso(p.GetOccurrences(3.5)).size(), 4u);
  for (const host::Value& bad : {host::Value{std::string("soon")}, host::Value{}, host::Value{true},
                                 host::Value{1e12}, host::Value{std::string("99999999999")}})
    EXPECT_FALSE(p.GetOccurrences(bad)) << bad.index();

  // An end date never gives more than 999; a count looks a thousand years on.
  const auto dated = p.GetOccurrences(D(2035, 1, 1));
  ASSERT_TRUE(dated);
  ASSERT_EQ(dated->size(), 999u);
  EXPECT_EQ(dated->back(), D(2027, 3, 8).AddDays(998).AddSeconds(9 * 3600));
  const auto counted = p.GetOccurrences(std::int32_t{2000000000});
  ASSERT_TRUE(counted);
  EXPECT_EQ(static_cast<std::int64_t>(counted->size()),
            DaysFromCivil(3027, 3, 8) - DaysFromCivil(2027, 3, 8) + 1);
  EXPECT_EQ(ToIsoText(counted->back()), "3027-03-08 09:00:00");
}

TEST_F(OccurrenceTest, InstanceDayCountsMatchingDaysFromEitherEndAndRefusesBadPatterns) {
  CapturedLog log;  // the refused ones log
  const int rows[][5] = {
      // year, month, instance, mask, day
      {2027, 5, 4, 2, 24}, {2027, 5, kLast, 2, 31}, {2028, 2, kLast, 2 | 8, 28},
      {2027, 5, 4, -1, 4}, {2027, 6, kLast, 2, 28}, {2027, 5, 6, 2, 0},
      {2027, 5, 0, 2, 0},  {2027, 5, 1, 0, 0},      {2027, 5, 1, 128, 0},
      {10000, 1, 1, 2, 0},
  };
  for (const auto& r : rows)
    EXPECT_EQ(CMailProps::GetInstanceDay(r[0], r[1], r[2], r[3]), r[4])
        << r[0] << "-" << r[1] << " instance " << r[2] << " mask " << r[3];
}

// (A counted series counting down and ending: the sending pass's tests.)
TEST_F(OccurrenceTest, TheRecordStepsFromOccurrenceToOccurrence) {
  CMailProps monthly = Recurring(rt::kMonthly, D(2027, 1, 20));
  monthly.m_DayOfMonth = 31;
  monthly.m_StartTime = DateTime::FromTime(14, 30, 0);
  monthly.SetFirstOccurrence();
  EXPECT_EQ(ToIsoText(monthly.m_ScheduleTime), "2027-01-31 14:30:00");
  EXPECT_EQ(ToIsoText(monthly.m_PatternStartDate), "2027-01-31 00:00:00");
  // Without an end it never answers false, and 31 survives a short month.
  for (const char* expected : {"2027-02-28 14:30:00", "2027-03-31 14:30:00"}) {
    ASSERT_TRUE(monthly.SetNextOccurrence());
    EXPECT_EQ(ToIsoText(monthly.m_ScheduleTime), expected);
  }
  EXPECT_EQ(monthly.m_Occurrences, 0);
  EXPECT_EQ(ToIsoText(monthly.m_PatternStartDate), "2027-03-31 00:00:00");
}

TEST_F(OccurrenceTest, APatternWithoutEnoughOccurrencesRaisesAndLeavesTheRecord) {
  SetHostFirstDOW(0);
  CapturedLog log;
  CMailProps p = Recurring(rt::kWeekly, D(2027, 3, 1));
  p.m_DayOfWeekMask = 0;
  p.m_NoEndDate = false;
  p.m_Occurrences = 5;
  p.m_ScheduleTime = DateTime::FromParts(2027, 3, 1, 9, 0, 0);
  EXPECT_THROW(p.SetFirstOccurrence(), HostError);
  EXPECT_THROW(p.SetNextOccurrence(), HostError);
  // A pattern that fails outright raises too.
  CMailProps failing = p;
  failing.m_RecurrenceType = rt::kMonthly;
  failing.m_Interval = 0;
  failing.m_DayOfMonth = 1;
  EXPECT_THROW(failing.SetNextOccurrence(), HostError);
  for (const CMailProps* r : {&p, &failing}) {
    EXPECT_EQ(ToIsoText(r->m_ScheduleTime), "2027-03-01 09:00:00");
    EXPECT_EQ(ToIsoText(r->m_PatternStartDate), "2027-03-01 00:00:00");
    EXPECT_EQ(r->m_Occurrences, 5);
  }
}

}  // namespace
}  // namespace velmora::test
