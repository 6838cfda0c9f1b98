// Occurrence rules of the schedule record: every recurrence type, both
// limits, the week boundary, clamping, and how the record walks forward.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
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

// ---- daily ----

TEST_F(OccurrenceTest, DailyEveryThreeDays) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 1));
  p.m_Interval = 3;
  EXPECT_EQ(First(p, 3),
            (Strings{"2027-03-01 09:00:00", "2027-03-04 09:00:00", "2027-03-07 09:00:00"}));
}

TEST_F(OccurrenceTest, DailyOnWeekdaysSkipsTheWeekend) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 5));  // a Friday
  p.m_Interval = 0;
  p.m_DayOfWeekMask = rt::kWorkdayMask;
  EXPECT_EQ(First(p, 3),
            (Strings{"2027-03-05 09:00:00", "2027-03-08 09:00:00", "2027-03-09 09:00:00"}));
}

TEST_F(OccurrenceTest, DailyEndDateTakesTheCandidateExactlyAtTheEnd) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 8));
  // Whatever time the end date carries, the limit is that day at the start time.
  const Strings got = Iso(p.GetOccurrences(DateTime::FromParts(2027, 3, 10, 7, 0, 0)));
  EXPECT_EQ(got, (Strings{"2027-03-08 09:00:00", "2027-03-09 09:00:00", "2027-03-10 09:00:00"}));
}

TEST_F(OccurrenceTest, EndDateBeforeThePatternStartGivesAnEmptyList) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 8));
  const auto list = p.GetOccurrences(Day(2027, 3, 7));
  ASSERT_TRUE(list);
  EXPECT_TRUE(list->empty());
}

TEST_F(OccurrenceTest, NegativeDailyIntervalIsRefusedInsteadOfWalkingBackwards) {
  CapturedLog log;
  CMailProps p = Recurring(rt::kDaily, Day(2027, 3, 8));
  p.m_Interval = -1;
  EXPECT_FALSE(p.GetOccurrences(std::int32_t{5}));
  EXPECT_FALSE(p.GetOccurrences(Day(2027, 3, 20)));
  EXPECT_EQ(log.Count("CMailProps::GetOccurrences1"), 2);
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

  SetHostFirstDOW(0);  // Sunday opens the week that holds Monday 8 March
  EXPECT_EQ(First(p, 2), (Strings{"2027-03-08 09:00:00", "2027-03-12 09:00:00"}));

  SetHostFirstDOW(1);  // Sunday closes its week; the next week is skipped
  EXPECT_EQ(First(p, 2), (Strings{"2027-03-15 09:00:00", "2027-03-19 09:00:00"}));
}

TEST_F(OccurrenceTest, WeeklyFallsBackToTheSystemsFirstDay) {
  // No calendar options stored: the locale's first day (0 = Monday) decides.
  PictureLocale monday(LocalePictures{.firstDayOfWeek = 0});
  GetServices().locale = &monday;
  CMailProps p = Recurring(rt::kWeekly, Day(2027, 3, 7));
  p.m_Interval = 2;
  p.m_DayOfWeekMask = 34;
  EXPECT_EQ(First(p, 1), (Strings{"2027-03-15 09:00:00"}));

  PictureLocale sunday(LocalePictures{.firstDayOfWeek = 6});
  GetServices().locale = &sunday;
  EXPECT_EQ(First(p, 1), (Strings{"2027-03-08 09:00:00"}));
  GetServices().locale = &locale_;
}

TEST_F(OccurrenceTest, WeeklyOverrideWinsOverTheStoredOption) {
  SetHostFirstDOW(0);
  ScopedFirstDOW monday(2);
  CMailProps p = Recurring(rt::kWeekly, Day(2027, 3, 7));
  p.m_Interval = 2;
  p.m_DayOfWeekMask = 34;
  EXPECT_EQ(First(p, 1), (Strings{"2027-03-15 09:00:00"}));
}

TEST_F(OccurrenceTest, WeeklyIntervalZeroOrOneMeansEveryWeek) {
  SetHostFirstDOW(0);
  for (std::int32_t interval : {0, 1, -3}) {
    CMailProps p = Recurring(rt::kWeekly, Day(2027, 3, 1));
    p.m_Interval = interval;
    p.m_DayOfWeekMask = 2;  // Monday
    EXPECT_EQ(First(p, 3),
              (Strings{"2027-03-01 09:00:00", "2027-03-08 09:00:00", "2027-03-15 09:00:00"}))
        << "interval " << interval;
  }
}

TEST_F(OccurrenceTest, WeeklyEndDateStopsInsideTheWeek) {
  SetHostFirstDOW(0);
  CMailProps p = Recurring(rt::kWeekly, Day(2027, 3, 1));
  p.m_DayOfWeekMask = 2 | 8 | 32;  // Monday, Wednesday, Friday
  EXPECT_EQ(Iso(p.GetOccurrences(Day(2027, 3, 10))),
            (Strings{"2027-03-01 09:00:00", "2027-03-03 09:00:00", "2027-03-05 09:00:00",
                     "2027-03-08 09:00:00", "2027-03-10 09:00:00"}));
}

// ---- monthly on a day number ----

TEST_F(OccurrenceTest, MonthlyDay31ClampsWithoutLosingTheDay) {
  CMailProps p = Recurring(rt::kMonthly, Day(2027, 1, 15));
  p.m_DayOfMonth = 31;
  EXPECT_EQ(First(p, 4), (Strings{"2027-01-31 09:00:00", "2027-02-28 09:00:00",
                                  "2027-03-31 09:00:00", "2027-04-30 09:00:00"}));
}

TEST_F(OccurrenceTest, MonthlyStartAfterTheDayBeginsOneIntervalLater) {
  CMailProps p = Recurring(rt::kMonthly, Day(2027, 1, 20));
  p.m_DayOfMonth = 15;
  p.m_Interval = 2;
  EXPECT_EQ(First(p, 3),
            (Strings{"2027-03-15 09:00:00", "2027-05-15 09:00:00", "2027-07-15 09:00:00"}));
}

TEST_F(OccurrenceTest, MonthlyStartOnTheDayItselfIsTheFirstOccurrence) {
  CMailProps p = Recurring(rt::kMonthly, Day(2027, 1, 15));
  p.m_DayOfMonth = 15;
  EXPECT_EQ(First(p, 2), (Strings{"2027-01-15 09:00:00", "2027-02-15 09:00:00"}));
}

TEST_F(OccurrenceTest, MonthlyDay29InALeapFebruary) {
  CMailProps p = Recurring(rt::kMonthly, Day(2028, 1, 30));
  p.m_DayOfMonth = 29;
  // 30 January is past the 29th, so February is first: a leap year keeps the 29th.
  EXPECT_EQ(First(p, 2), (Strings{"2028-02-29 09:00:00", "2028-03-29 09:00:00"}));
}

TEST_F(OccurrenceTest, MonthlyPatternsThatCouldNeverEndAreRefused) {
  CapturedLog log;
  CMailProps p = Recurring(rt::kMonthly, Day(2027, 1, 15));
  p.m_DayOfMonth = 15;
  for (std::int32_t interval : {0, -1}) {
    p.m_Interval = interval;
    EXPECT_FALSE(p.GetOccurrences(std::int32_t{3})) << "interval " << interval;
  }
  p.m_Interval = 1;
  for (std::int32_t day : {0, -5, 32}) {
    p.m_DayOfMonth = day;
    EXPECT_FALSE(p.GetOccurrences(std::int32_t{3})) << "day " << day;
  }
  EXPECT_EQ(log.Count("CMailProps::GetOccurrences1"), 5);
}

// ---- monthly on an instance ----

TEST_F(OccurrenceTest, MonthlyLastMonday) {
  CMailProps p = Recurring(rt::kMonthNth, Day(2027, 5, 1));
  p.m_Instance = rt::kInstanceLast;
  p.m_DayOfWeekMask = 2;
  EXPECT_EQ(First(p, 2), (Strings{"2027-05-31 09:00:00", "2027-06-28 09:00:00"}));
}

TEST_F(OccurrenceTest, MonthlyFirstWeekdayWithAMultiBitMask) {
  CMailProps p = Recurring(rt::kMonthNth, Day(2027, 5, 1));  // a Saturday
  p.m_Instance = 1;
  p.m_DayOfWeekMask = rt::kWorkdayMask;
  // May opens on a weekend, so its first weekday is Monday 3 May.
  EXPECT_EQ(First(p, 3),
            (Strings{"2027-05-03 09:00:00", "2027-06-01 09:00:00", "2027-07-01 09:00:00"}));
}

TEST_F(OccurrenceTest, MonthlyLastWeekendDay) {
  CMailProps p = Recurring(rt::kMonthNth, Day(2027, 2, 1));
  p.m_Instance = rt::kInstanceLast;
  p.m_DayOfWeekMask = 65;  // Saturday, Sunday
  EXPECT_EQ(First(p, 2), (Strings{"2027-02-28 09:00:00", "2027-03-28 09:00:00"}));
}

TEST_F(OccurrenceTest, MonthlyInstanceAlreadyPassedMovesOnByTheInterval) {
  CMailProps p = Recurring(rt::kMonthNth, Day(2027, 3, 10));
  p.m_Instance = 1;  // the first Monday of March 2027 was the 1st
  p.m_DayOfWeekMask = 2;
  p.m_Interval = 3;
  EXPECT_EQ(First(p, 2), (Strings{"2027-06-07 09:00:00", "2027-09-06 09:00:00"}));
}

TEST_F(OccurrenceTest, MonthlyInstanceWithIntervalZeroIsRefused) {
  CapturedLog log;
  CMailProps p = Recurring(rt::kMonthNth, Day(2027, 3, 1));
  p.m_Instance = 2;
  p.m_DayOfWeekMask = 2;
  p.m_Interval = 0;
  EXPECT_FALSE(p.GetOccurrences(std::int32_t{2000000000}));
  EXPECT_TRUE(log.Contains("CMailProps::GetOccurrences1"));
}

// ---- yearly ----

TEST_F(OccurrenceTest, YearlyOn29FebruaryClampsInCommonYears) {
  CMailProps p = Recurring(rt::kYearly, Day(2027, 1, 10));
  p.m_MonthOfYear = 2;
  p.m_DayOfMonth = 29;
  p.m_Interval = 7;  // not used by the yearly rule
  EXPECT_EQ(First(p, 3),
            (Strings{"2027-02-28 09:00:00", "2028-02-29 09:00:00", "2029-02-28 09:00:00"}));
}

TEST_F(OccurrenceTest, YearlyDayAlreadyPassedStartsNextYear) {
  CMailProps p = Recurring(rt::kYearly, Day(2027, 5, 20));
  p.m_MonthOfYear = 5;
  p.m_DayOfMonth = 15;
  EXPECT_EQ(First(p, 2), (Strings{"2028-05-15 09:00:00", "2029-05-15 09:00:00"}));
}

TEST_F(OccurrenceTest, YearlyOutOfRangeMonthOrDayIsRefused) {
  CapturedLog log;
  CMailProps p = Recurring(rt::kYearly, Day(2027, 5, 20));
  p.m_DayOfMonth = 15;
  for (std::int32_t month : {0, 13, -1}) {
    p.m_MonthOfYear = month;
    EXPECT_FALSE(p.GetOccurrences(std::int32_t{2})) << "month " << month;
  }
  p.m_MonthOfYear = 5;
  p.m_DayOfMonth = 0;
  EXPECT_FALSE(p.GetOccurrences(std::int32_t{2}));
}

TEST_F(OccurrenceTest, YearlyFourthThursdayOfNovember) {
  CMailProps p = Recurring(rt::kYearNth, Day(2027, 1, 1));
  p.m_MonthOfYear = 11;
  p.m_Instance = 4;
  p.m_DayOfWeekMask = 16;
  EXPECT_EQ(First(p, 3),
            (Strings{"2027-11-25 09:00:00", "2028-11-23 09:00:00", "2029-11-22 09:00:00"}));
}

TEST_F(OccurrenceTest, YearlyInstanceAlreadyPassedStartsNextYear) {
  CMailProps p = Recurring(rt::kYearNth, Day(2027, 5, 31));
  p.m_MonthOfYear = 5;
  p.m_Instance = rt::kInstanceLast;
  p.m_DayOfWeekMask = 2;  // last Monday of May 2027 is the 31st: still due
  EXPECT_EQ(First(p, 2), (Strings{"2027-05-31 09:00:00", "2028-05-29 09:00:00"}));
  p.m_PatternStartDate = Day(2027, 6, 1);
  EXPECT_EQ(First(p, 1), (Strings{"2028-05-29 09:00:00"}));
}

TEST_F(OccurrenceTest, UnknownTypeGivesAnEmptyList) {
  for (std::int32_t type : {4, 7, -1}) {
    CMailProps p = Recurring(type, Day(2027, 1, 1));
    const auto list = p.GetOccurrences(std::int32_t{3});
    ASSERT_TRUE(list) << "type " << type;
    EXPECT_TRUE(list->empty());
  }
}

// ---- limits and the argument ----

TEST_F(OccurrenceTest, CountZeroOrNegativeGivesAnEmptyList) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 1, 1));
  for (std::int32_t n : {0, -1}) {
    const auto list = p.GetOccurrences(n);
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->empty());
  }
}

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

TEST_F(OccurrenceTest, EmptyMaskWalksToTheLimitAndFindsNothing) {
  SetHostFirstDOW(0);
  for (std::int32_t type : {rt::kDaily, rt::kWeekly}) {
    CMailProps p = Recurring(type, Day(2027, 3, 1));
    p.m_Interval = 0;
    p.m_DayOfWeekMask = 0;
    const auto list = p.GetOccurrences(std::int32_t{2});
    ASSERT_TRUE(list) << "type " << type;
    EXPECT_TRUE(list->empty());
  }
}

// ---- GetInstanceDay ----

TEST_F(OccurrenceTest, InstanceDayCountsMatchingDays) {
  CMailProps p;
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 1, 2), 3);   // first Monday
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 4, 2), 24);  // fourth Monday
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 5, 2), 31);  // last Monday
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 3, 62), 5);  // third weekday
  EXPECT_EQ(p.GetInstanceDay(2028, 2, 5, 127), 29);
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 4, -1), 4);  // every bit set: every day
}

TEST_F(OccurrenceTest, InstanceDayOutOfRangeLogsAndGivesZero) {
  CapturedLog log;
  CMailProps p;
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 0, 2), 0);
  EXPECT_EQ(p.GetInstanceDay(2027, 5, -2, 2), 0);
  EXPECT_EQ(log.Count("CMailProps::GetInstanceDay - Stop"), 2);
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 1, 0), 0);
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 1, 128), 0);
  EXPECT_EQ(p.GetInstanceDay(2027, 5, 6, 2), 0);
  EXPECT_EQ(log.Count("CMailProps::GetInstanceDay - Invalid Params"), 3);
  EXPECT_EQ(p.GetInstanceDay(10000, 1, 1, 2), 0);
  EXPECT_EQ(log.Count("Error(5) : CMailProps::GetInstanceDay\t"), 1);
}

TEST_F(OccurrenceTest, InvalidInstanceFallsOnTheLastDayOfThePreviousMonth) {
  CMailProps p = Recurring(rt::kMonthNth, Day(2027, 3, 1));
  p.m_Instance = 0;
  p.m_DayOfWeekMask = 2;
  EXPECT_EQ(First(p, 2), (Strings{"2027-03-31 09:00:00", "2027-04-30 09:00:00"}));
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

TEST_F(OccurrenceTest, SetFirstOccurrenceLeavesAOneOffAlone) {
  CMailProps p = Recurring(rt::kDaily, Day(2027, 1, 20));
  p.m_IsRecurring = false;
  p.m_ScheduleTime = DateTime::FromParts(2027, 1, 1, 8, 0, 0);
  p.SetFirstOccurrence();
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2027-01-01 08:00:00");
  EXPECT_EQ(ToIsoText(p.m_PatternStartDate), "2027-01-20 00:00:00");
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

TEST_F(OccurrenceTest, SetNextOccurrenceOnAOneOffIsFalse) {
  CMailProps p;
  p.m_ScheduleTime = DateTime::FromParts(2027, 3, 1, 9, 0, 0);
  p.m_NoEndDate = true;
  EXPECT_FALSE(p.SetNextOccurrence());
  EXPECT_EQ(ToIsoText(p.m_ScheduleTime), "2027-03-01 09:00:00");
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
