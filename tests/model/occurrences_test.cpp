// Occurrence rules of the schedule record: every recurrence type, both
// limits, the week boundary, clamping, and how the record walks forward.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/calendar.h"
#include "common/host_error.h"
#include "model/occurrence_fixture.h"
#include "support/captured_log.h"

namespace velmora::test {
namespace {

using Strings = std::vector<std::string>;
namespace rt = recurrence;

// One pattern read from its start: the first `count` occurrences. Rows give
// what, type, start, interval, day of month, month, instance, mask, count, dates.
struct Walk {
  const char* what;
  std::int32_t type;
  DateTime start;
  std::int32_t interval = 1, dayOfMonth = 0, monthOfYear = 0, instance = 0, mask = 0;
  std::int32_t count = 0;
  const char* dates = "";  // each at the start time, 9:00
};

Strings AtNine(std::string_view dates) {
  Strings out;
  for (std::size_t at = 0; at < dates.size(); at += 11)
    out.push_back(std::string(dates.substr(at, 10)) + " 09:00:00");
  return out;
}

void Apply(const Walk& w, CMailProps& p) {
  p.m_Interval = w.interval;
  p.m_DayOfMonth = w.dayOfMonth;
  p.m_MonthOfYear = w.monthOfYear;
  p.m_Instance = w.instance;
  p.m_DayOfWeekMask = w.mask;
}

DateTime D(int y, int m, int d) {
  return DateTime::FromParts(y, m, d);
}
constexpr std::int32_t kLast = rt::kInstanceLast;

TEST_F(OccurrenceTest, EveryTypeWalksFromItsStart) {
  SetHostFirstDOW(0);
  const Walk walks[] = {
      {"daily every three days", rt::kDaily, D(2027, 3, 1), 3, 0, 0, 0, 0, 3,
       "2027-03-01 2027-03-04 2027-03-07"},
      {"weekdays from a Friday skip the weekend", rt::kDaily, D(2027, 3, 5), 0, 0, 0, 0,
       rt::kWorkdayMask, 3, "2027-03-05 2027-03-08 2027-03-09"},
      {"weekly interval 0 is every week", rt::kWeekly, D(2027, 3, 1), 0, 0, 0, 0, 2, 2,
       "2027-03-01 2027-03-08"},
      {"weekly interval 1", rt::kWeekly, D(2027, 3, 1), 1, 0, 0, 0, 2, 2, "2027-03-01 2027-03-08"},
      {"weekly negative interval is every week", rt::kWeekly, D(2027, 3, 1), -3, 0, 0, 0, 2, 3,
       "2027-03-01 2027-03-08 2027-03-15"},
      {"day 31 clamps without losing the day", rt::kMonthly, D(2027, 1, 15), 1, 31, 0, 0, 0, 4,
       "2027-01-31 2027-02-28 2027-03-31 2027-04-30"},
      {"start after the day begins one interval later", rt::kMonthly, D(2027, 1, 20), 2, 15, 0, 0,
       0, 3, "2027-03-15 2027-05-15 2027-07-15"},
      {"start on the day itself", rt::kMonthly, D(2027, 1, 15), 1, 15, 0, 0, 0, 2,
       "2027-01-15 2027-02-15"},
      {"day 29 in a leap February", rt::kMonthly, D(2028, 1, 30), 1, 29, 0, 0, 0, 2,
       "2028-02-29 2028-03-29"},
      {"last Monday", rt::kMonthNth, D(2027, 5, 1), 1, 0, 0, kLast, 2, 2, "2027-05-31 2027-06-28"},
      {"first weekday of a month opening on a weekend", rt::kMonthNth, D(2027, 5, 1), 1, 0, 0, 1,
       rt::kWorkdayMask, 3, "2027-05-03 2027-06-01 2027-07-01"},
      {"last Monday on that very day is still due", rt::kMonthNth, D(2027, 5, 31), 1, 0, 0, kLast,
       2, 2, "2027-05-31 2027-06-28"},
      {"last weekend day", rt::kMonthNth, D(2027, 2, 1), 1, 0, 0, kLast, 65, 2,
       "2027-02-28 2027-03-28"},
      {"instance already passed moves on by the interval", rt::kMonthNth, D(2027, 3, 10), 3, 0, 0,
       1, 2, 2, "2027-06-07 2027-09-06"},
      {"invalid instance falls on the last day of the previous month", rt::kMonthNth, D(2027, 3, 1),
       1, 0, 0, 0, 2, 2, "2027-03-31 2027-04-30"},
      {"29 February clamps in common years; the interval is unused", rt::kYearly, D(2027, 1, 10), 7,
       29, 2, 0, 0, 3, "2027-02-28 2028-02-29 2029-02-28"},
      {"yearly on its own day fires that day", rt::kYearly, D(2027, 5, 15), 1, 15, 5, 0, 0, 2,
       "2027-05-15 2028-05-15"},
      {"yearly day already passed starts next year", rt::kYearly, D(2027, 5, 20), 1, 15, 5, 0, 0, 2,
       "2028-05-15 2029-05-15"},
      {"fourth Thursday of November", rt::kYearNth, D(2027, 1, 1), 1, 0, 11, 4, 16, 3,
       "2027-11-25 2028-11-23 2029-11-22"},
      {"last Monday of May on that very day is still due", rt::kYearNth, D(2027, 5, 31), 1, 0, 5,
       kLast, 2, 2, "2027-05-31 2028-05-29"},
      {"yearly instance already passed starts next year", rt::kYearNth, D(2027, 6, 1), 1, 0, 5,
       kLast, 2, 1, "2028-05-29"},
      // Stored data out of range (hand-edited, foreign): the day clamps to the
      // month, the month runs over into the years around.
      {"day 40 clamps to each month's last day", rt::kMonthly, D(2027, 1, 15), 1, 40, 0, 0, 0, 3,
       "2027-01-31 2027-02-28 2027-03-31"},
      {"month 14 is February of the next year", rt::kYearly, D(2027, 1, 10), 1, 31, 14, 0, 0, 2,
       "2028-02-29 2029-02-28"},
      {"month 0 is December of the year before", rt::kYearly, D(2027, 5, 20), 1, 15, 0, 0, 0, 2,
       "2027-12-15 2028-12-15"},
      // The walk goes on from the year of the first date, which ran over.
      {"instance in month 13 is a January", rt::kYearNth, D(2027, 1, 10), 1, 0, 13, 1, 2, 2,
       "2029-01-01 2030-01-07"},
      // Empty lists, not failures.
      {"unknown type 4", 4, D(2027, 1, 1), 1, 0, 0, 0, 0, 3},
      {"unknown type 7", 7, D(2027, 1, 1), 1, 0, 0, 0, 0, 3},
      {"unknown type -1", -1, D(2027, 1, 1), 1, 0, 0, 0, 0, 3},
      {"count zero", rt::kDaily, D(2027, 1, 1), 1, 0, 0, 0, 0, 0},
      {"negative count", rt::kDaily, D(2027, 1, 1), 1, 0, 0, 0, 0, -1},
      {"daily with an empty mask walks to the limit", rt::kDaily, D(2027, 3, 1), 0, 0, 0, 0, 0, 2},
      {"weekly with an empty mask walks to the limit", rt::kWeekly, D(2027, 3, 1), 0, 0, 0, 0, 0,
       2},
  };
  for (const Walk& w : walks) {
    CMailProps p = Recurring(w.type, w.start);
    Apply(w, p);
    EXPECT_EQ(First(p, w.count), AtNine(w.dates)) << w.what;
  }
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 8));
  EXPECT_EQ(Iso(p.GetOccurrences(Day(2027, 3, 7))), Strings{}) << "end before the start";
}

TEST_F(OccurrenceTest, PatternsThatCouldNeverEndAreRefused) {
  const Walk refused[] = {
      {"negative daily interval would walk backwards", rt::kDaily, D(2027, 3, 8), -1, 0, 0, 0, 0,
       0},
      {"monthly interval 0", rt::kMonthly, D(2027, 1, 15), 0, 15, 0, 0, 0, 0},
      {"monthly interval -1", rt::kMonthly, D(2027, 1, 15), -1, 15, 0, 0, 0, 0},
      {"day 0", rt::kMonthly, D(2027, 1, 15), 1, 0, 0, 0, 0, 0},
      {"day -5", rt::kMonthly, D(2027, 1, 15), 1, -5, 0, 0, 0, 0},
      {"instance with interval 0", rt::kMonthNth, D(2027, 3, 1), 0, 0, 0, 2, 2, 0},
      {"yearly day 0", rt::kYearly, D(2027, 5, 20), 1, 0, 5, 0, 0, 0},
  };
  for (const Walk& w : refused) {
    CapturedLog log;
    CMailProps p = Recurring(w.type, w.start);
    Apply(w, p);
    EXPECT_FALSE(p.GetOccurrences(std::int32_t{2000000000})) << w.what;
    EXPECT_EQ(log.Count("CMailProps::GetOccurrences1"), 1) << w.what;
  }
  CMailProps daily = Recurring(rt::kDaily, Day(2027, 3, 8));
  daily.m_Interval = -1;
  EXPECT_FALSE(daily.GetOccurrences(Day(2027, 3, 20)));
}

// ---- daily ----

TEST_F(OccurrenceTest, DailyEndDateTakesTheCandidateExactlyAtTheEnd) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 8));
  // Whatever time the end date carries, the limit is that day at the start time.
  const Strings got = Iso(p.GetOccurrences(DateTime::FromParts(2027, 3, 10, 7, 0, 0)));
  EXPECT_EQ(got, (Strings{"2027-03-08 09:00:00", "2027-03-09 09:00:00", "2027-03-10 09:00:00"}));
}

// ---- weekly and the first day of the week ----

TEST_F(OccurrenceTest, WeeklyEveryOtherWeekFromAWednesday) {
  // Sunday or Monday first: either way the week of 7 March is skipped.
  for (std::int32_t hostFirstDay : {0, 1}) {
    SetHostFirstDOW(hostFirstDay);
    CMailProps p = Recurring(rt::kWeekly, Day(2027, 3, 3));
    p.m_Interval = 2;
    p.m_DayOfWeekMask = 34;  // Monday, Friday
    EXPECT_EQ(First(p, 3),
              (Strings{"2027-03-05 09:00:00", "2027-03-15 09:00:00", "2027-03-19 09:00:00"}))
        << "host first day " << hostFirstDay;
  }
}

TEST_F(OccurrenceTest, WeeklyStartOnSundayDependsOnTheFirstDayOfTheWeek) {
  CMailProps p = Recurring(rt::kWeekly, Day(2027, 3, 7));  // a Sunday
  p.m_Interval = 2;
  p.m_DayOfWeekMask = 34;
  const Strings sundayFirst{"2027-03-08 09:00:00", "2027-03-12 09:00:00"};
  const Strings mondayFirst{"2027-03-15 09:00:00", "2027-03-19 09:00:00"};

  // No calendar options stored: the locale's first day (0 = Monday) decides.
  PictureLocale monday(LocalePictures{.firstDayOfWeek = 0});
  GetServices().locale = &monday;
  EXPECT_EQ(First(p, 2), mondayFirst);
  PictureLocale sunday(LocalePictures{.firstDayOfWeek = 6});
  GetServices().locale = &sunday;
  EXPECT_EQ(First(p, 2), sundayFirst);
  GetServices().locale = &locale_;

  SetHostFirstDOW(0);  // Sunday opens the week that holds Monday 8 March
  EXPECT_EQ(First(p, 2), sundayFirst);
  {
    ScopedFirstDOW override(2);  // Monday, over the stored option
    EXPECT_EQ(First(p, 2), mondayFirst);
  }
  SetHostFirstDOW(1);  // Sunday closes its week; the next week is skipped
  EXPECT_EQ(First(p, 2), mondayFirst);
}

TEST_F(OccurrenceTest, WeeklyEndDateStopsInsideTheWeek) {
  SetHostFirstDOW(0);
  CMailProps p = Recurring(rt::kWeekly, Day(2027, 3, 1));
  p.m_DayOfWeekMask = 2 | 8 | 32;  // Monday, Wednesday, Friday
  EXPECT_EQ(Iso(p.GetOccurrences(Day(2027, 3, 10))),
            (Strings{"2027-03-01 09:00:00", "2027-03-03 09:00:00", "2027-03-05 09:00:00",
                     "2027-03-08 09:00:00", "2027-03-10 09:00:00"}));
}

// ---- limits and the argument ----

TEST_F(OccurrenceTest, DateArgumentNeverGivesMoreThan999) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 1, 1));
  const auto list = p.GetOccurrences(Day(2035, 1, 1));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 999u);
  EXPECT_EQ(ToIsoText(list->back()), ToIsoText(Day(2027, 1, 1).AddDays(998).AddSeconds(9 * 3600)));
}

TEST_F(OccurrenceTest, HugeCountIsBoundedByAThousandYears) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 1));
  const auto list = p.GetOccurrences(std::int32_t{2000000000});
  ASSERT_TRUE(list);
  const std::int64_t days = DaysFromCivil(3027, 3, 1) - DaysFromCivil(2027, 3, 1) + 1;
  EXPECT_EQ(static_cast<std::int64_t>(list->size()), days);
  EXPECT_EQ(ToIsoText(list->back()), "3027-03-01 09:00:00");
}

TEST_F(OccurrenceTest, ArgumentAsTextOrDouble) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 8));
  EXPECT_EQ(Iso(p.GetOccurrences(std::string(" 2 "))).size(), 2u);
  // Text that reads as a date in the user's settings is an end date.
  EXPECT_EQ(Iso(p.GetOccurrences(std::string("3/9/2027"))),
            (Strings{"2027-03-08 09:00:00", "2027-03-09 09:00:00"}));
  // Numbers convert as the host converts them: to the nearest, halves to even.
  EXPECT_EQ(Iso(p.GetOccurrences(2.5)).size(), 2u);
  EXPECT_EQ(Iso(p.GetOccurrences(3.5)).size(), 4u);
}

TEST_F(OccurrenceTest, InvalidArgumentLogsAndGivesNoList) {
  CapturedLog log(/*withTraces=*/true);
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 8));
  EXPECT_FALSE(p.GetOccurrences(std::string("soon")));
  EXPECT_FALSE(p.GetOccurrences(host::Value{}));
  EXPECT_FALSE(p.GetOccurrences(true));
  EXPECT_EQ(log.Count("GetOccurrences invalid param"), 3);
  EXPECT_EQ(log.Count("Error(13) : CMailProps::GetOccurrences1"), 3);
}

TEST_F(OccurrenceTest, CountBeyond32BitsOverflows) {
  CapturedLog log;
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 8));
  EXPECT_FALSE(p.GetOccurrences(1e12));
  EXPECT_FALSE(p.GetOccurrences(std::string("99999999999")));
  EXPECT_EQ(log.Count("Error(6) : CMailProps::GetOccurrences1"), 2);
}

TEST_F(OccurrenceTest, WalkLeavingTheDateRangeEndsWithoutAList) {
  CapturedLog log;
  CMailProps monthly = Recurring(rt::kMonthly, Day(9999, 10, 1));
  monthly.m_DayOfMonth = 1;
  EXPECT_FALSE(monthly.GetOccurrences(Day(9999, 12, 31)));

  CMailProps yearly = Recurring(rt::kYearNth, Day(9999, 1, 1));
  yearly.m_MonthOfYear = 1;
  yearly.m_Instance = 1;
  yearly.m_DayOfWeekMask = 2;
  EXPECT_FALSE(yearly.GetOccurrences(std::int32_t{2}));

  // A daily walk simply runs past the end date, which is inside the range.
  CMailProps daily = Recurring(rt::kDaily, Day(9999, 12, 30));
  EXPECT_EQ(Iso(daily.GetOccurrences(Day(9999, 12, 31))).size(), 2u);
  EXPECT_EQ(log.Count("CMailProps::GetOccurrences1"), 2);
}

// ---- GetInstanceDay ----

TEST_F(OccurrenceTest, InstanceDayCountsMatchingDaysAndRefusesWhatItCannotCount) {
  CMailProps p;
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 4, 2), 24);  // fourth Monday
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 5, 2), 31);  // last Monday
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 3, 62), 5);  // third weekday
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 4, -1), 4);  // every bit set: every day
  CapturedLog log;
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 0, 2), 0);
  EXPECT_EQ(log.Count("CMailProps::GetInstanceDay - Stop"), 1);
  for (auto [instance, mask] : std::initializer_list<std::pair<int, int>>{{1, 0}, {1, 128}, {6, 2}})
    EXPECT_EQ(p.GetInstanceDay(2027, 5, instance, mask), 0);
  EXPECT_EQ(log.Count("CMailProps::GetInstanceDay - Invalid Params"), 3);
  EXPECT_EQ(p.GetInstanceDay(10000, 1, 1, 2), 0);
  EXPECT_EQ(log.Count("Error(5) : CMailProps::GetInstanceDay\t"), 1);
}

// ---- moving the record ----

TEST_F(OccurrenceTest, SetFirstOccurrenceTakesTheFirstOnOrAfterTheStart) {
  CMailProps p = Recurring(rt::kMonthly, Day(2027, 1, 20));
  p.m_DayOfMonth = 15;
  p.m_StartTime = DateTime::FromTime(14, 30, 0);
  p.SetFirstOccurrence();
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2027-02-15 14:30:00");
  EXPECT_EQ(ToIsoText(p.m_PatternStartDate), "2027-02-15 00:00:00");
}

TEST_F(OccurrenceTest, SetNextOccurrenceCountsDownToFalse) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 1));
  p.m_Interval = 2;
  p.m_NoEndDate = false;
  p.m_Occurrences = 3;
  p.SetFirstOccurrence();
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2027-03-01 09:00:00");

  EXPECT_TRUE(p.SetNextOccurrence());
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2027-03-03 09:00:00");
  EXPECT_EQ(ToIsoText(p.m_PatternStartDate), "2027-03-03 00:00:00");
  EXPECT_EQ(p.m_Occurrences, 2);

  EXPECT_TRUE(p.SetNextOccurrence());
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2027-03-05 09:00:00");
  EXPECT_EQ(p.m_Occurrences, 1);

  EXPECT_FALSE(p.SetNextOccurrence());
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2027-03-05 09:00:00");
  EXPECT_EQ(p.m_Occurrences, 1);
}

TEST_F(OccurrenceTest, SetNextOccurrenceWithoutEndNeverAnswersFalse) {
  CMailProps p = Recurring(rt::kMonthly, Day(2027, 1, 31));
  p.m_DayOfMonth = 31;
  p.m_Occurrences = 0;
  p.SetFirstOccurrence();
  for (const char* expected : {"2027-02-28 09:00:00", "2027-03-31 09:00:00"}) {
    ASSERT_TRUE(p.SetNextOccurrence());
    EXPECT_EQ(ToIsoText(p.m_ScheduleTime), expected);
  }
  EXPECT_EQ(p.m_Occurrences, 0);
}

TEST_F(OccurrenceTest, AOneOffIsNeitherStampedNorAdvanced) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 1, 20));
  p.m_IsRecurring = false;
  p.m_ScheduleTime = DateTime::FromParts(2027, 1, 1, 8, 0, 0);
  p.SetFirstOccurrence();
  EXPECT_FALSE(p.SetNextOccurrence());
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2027-01-01 08:00:00");
  EXPECT_EQ(ToIsoText(p.m_PatternStartDate), "2027-01-20 00:00:00");
}

TEST_F(OccurrenceTest, PatternWithoutEnoughOccurrencesRaisesAndLeavesTheRecord) {
  SetHostFirstDOW(0);
  CMailProps p = Recurring(rt::kWeekly, Day(2027, 3, 1));
  p.m_DayOfWeekMask = 0;
  p.m_NoEndDate = false;
  p.m_Occurrences = 5;
  p.m_ScheduleTime = DateTime::FromParts(2027, 3, 1, 9, 0, 0);

  EXPECT_THROW(p.SetFirstOccurrence(), HostError);
  EXPECT_THROW(p.SetNextOccurrence(), HostError);
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2027-03-01 09:00:00");
  EXPECT_EQ(ToIsoText(p.m_PatternStartDate), "2027-03-01 00:00:00");
  EXPECT_EQ(p.m_Occurrences, 5);

  // A pattern that fails outright raises too.
  p.m_RecurrenceType = rt::kMonthly;
  p.m_Interval = 0;
  p.m_DayOfMonth = 1;
  EXPECT_THROW(p.SetNextOccurrence(), HostError);
  EXPECT_EQ(p.m_Occurrences, 5);
}

}  // namespace
}  // namespace velmora::test
