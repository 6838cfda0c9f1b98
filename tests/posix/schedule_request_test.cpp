// A schedule asked for on the command line is checked as the recurrence
// dialog checks it — numbers, day of month, a yearly day against its month in
// the start's year, a weekly pattern with no day — and applied as its OK
// applies it: first occurrence set, an end date kept and turned into a count.
// A refused request leaves the record as it was.
#include <gtest/gtest.h>

#include <string>

#include "common/picture_locale.h"
#include "common/services.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/schedule_request.h"
#include "support/manual_clock.h"

namespace velmora::posix {
namespace {

DateTime D(int y, int m, int d, int hh = 0, int mm = 0) {
  return DateTime::FromParts(y, m, d, hh, mm, 0);
}

class Schedule : public ::testing::Test {
 protected:
  test::ManualClock clock{D(2026, 12, 7, 9, 0)};
  PictureLocale us;
  SqliteRegistry registry{":memory:"};
  ScopedServices services{{&clock, &us, &registry, nullptr, nullptr, GetServices().logFolder}};

  static PatternRequest Weekly(std::int32_t mask, DateTime start = D(2026, 12, 7)) {
    PatternRequest p;
    p.type = recurrence::kWeekly;
    p.mask = mask;
    p.startDate = start;
    p.timeOfDay = DateTime::FromTime(9, 0, 0);
    p.end = RangeEnd::kCount;
    p.count = 10;
    return p;
  }
  static PatternRequest Yearly(int month, int day, DateTime start) {
    PatternRequest p;
    p.type = recurrence::kYearly;
    p.monthOfYear = month;
    p.dayOfMonth = day;
    p.startDate = start;
    p.timeOfDay = DateTime::FromTime(8, 0, 0);
    p.end = RangeEnd::kNever;
    return p;
  }
  std::string Refusal(const PatternRequest& p) {
    CMailProps r;
    r.m_collAttachments = {"/tmp/a.txt"};
    const std::string before = r.WriteToString();
    try {
      ApplySchedule({.pattern = p}, r);
    } catch (const ScheduleError& e) {
      EXPECT_EQ(r.WriteToString(), before) << "a refused request changed the record";
      return e.what();
    }
    return "accepted";
  }
};

TEST_F(Schedule, OnceSetsTheTimeAndKeepsAttachmentsAndPattern) {
  CMailProps r;
  r.m_IsRecurring = true;
  r.m_RecurrenceType = recurrence::kMonthly;
  r.m_collAttachments = {"/data/report.pdf", "/data/out/"};
  const auto notes = ApplySchedule({.at = D(2026, 12, 24, 18, 30)}, r);
  EXPECT_TRUE(notes.empty());
  EXPECT_FALSE(r.m_IsRecurring);
  EXPECT_EQ(r.m_ScheduleTime, D(2026, 12, 24, 18, 30));
  EXPECT_EQ(r.m_collAttachments.size(), 2u);
  EXPECT_EQ(r.m_RecurrenceType, recurrence::kMonthly);
  EXPECT_THROW(ApplySchedule({}, r), ScheduleError) << "neither once nor a pattern";
}

TEST_F(Schedule, NumbersOutsideTheDialogsFieldsOrAWeekWithoutADayAreNotValid) {
  const std::string why = Refusal(Weekly(0));
  EXPECT_NE(why.find("--days: Recurrence pattern is not valid"), std::string::npos) << why;
  PatternRequest p = Weekly(2);
  p.interval = 0;
  EXPECT_NE(Refusal(p).find("--interval: The number is not valid."), std::string::npos);
  p.interval = 100;  // two digits for weeks
  EXPECT_NE(Refusal(p).find("--interval"), std::string::npos);
  p = Weekly(2);
  p.count = 1000;
  EXPECT_NE(Refusal(p).find("--count: The number is not valid."), std::string::npos);
  p.count = 0;
  EXPECT_NE(Refusal(p).find("--count"), std::string::npos);

  PatternRequest daily = Weekly(0);
  daily.type = recurrence::kDaily;
  daily.interval = 999;
  EXPECT_EQ(Refusal(daily), "accepted");
  daily.interval = 1000;
  EXPECT_NE(Refusal(daily).find("--interval"), std::string::npos);
  daily.interval = 0;  // every day of a set: the set is needed
  EXPECT_NE(Refusal(daily).find("--days"), std::string::npos);
  daily.mask = 62;
  EXPECT_EQ(Refusal(daily), "accepted");
}

TEST_F(Schedule, AMonthlyDayMustBeADayOfAMonthAndLateDaysGetTheDialogsNote) {
  PatternRequest p = Weekly(0);
  p.type = recurrence::kMonthly;
  p.dayOfMonth = 32;
  EXPECT_NE(Refusal(p).find("--day: Recurrence pattern is not valid"), std::string::npos);
  p.dayOfMonth = 31;
  CMailProps r;
  const auto notes = ApplySchedule({.pattern = p}, r);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0], ShortMonthsNote(31));
  EXPECT_NE(notes[0].find("fewer than 31 days"), std::string::npos);
  EXPECT_EQ(r.m_ScheduleTime, D(2026, 12, 31, 9, 0));
}

TEST_F(Schedule, AYearlyDayIsCheckedAgainstItsMonthInTheStartsYear) {
  EXPECT_NE(Refusal(Yearly(2, 30, D(2026, 1, 1))).find("--day: Recurrence pattern is not valid"),
            std::string::npos);
  EXPECT_NE(Refusal(Yearly(2, 29, D(2023, 1, 1))).find("February 2023 has 28 days"),
            std::string::npos);
  EXPECT_EQ(Refusal(Yearly(2, 29, D(2028, 1, 1))), "accepted");
  EXPECT_NE(Refusal(Yearly(4, 31, D(2026, 1, 1))).find("--day"), std::string::npos);
  EXPECT_NE(Refusal(Yearly(13, 1, D(2026, 1, 1))).find("--month"), std::string::npos);
}

TEST_F(Schedule, NthPatternsTakeOnlyTheDialogsWeekdayChoices) {
  PatternRequest p = Weekly(2 | 32);
  p.type = recurrence::kMonthNth;
  p.instance = 5;
  EXPECT_NE(Refusal(p).find("--days"), std::string::npos);
  p.mask = 62;  // weekday
  CMailProps r;
  ApplySchedule({.pattern = p}, r);
  EXPECT_EQ(r.m_ScheduleTime, D(2026, 12, 31, 9, 0));  // the last weekday of December
  p.instance = 6;
  EXPECT_NE(Refusal(p).find("--instance"), std::string::npos);
}

TEST_F(Schedule, AnEndDateBecomesACountAndIsKept) {
  PatternRequest p = Weekly(2);  // Mondays from 7 December
  p.end = RangeEnd::kUntil;
  p.until = D(2027, 1, 6);  // between the 5th and the 6th Monday
  CMailProps r;
  ApplySchedule({.pattern = p}, r);
  EXPECT_EQ(r.m_Occurrences, 5);
  EXPECT_FALSE(r.m_NoEndDate);
  EXPECT_EQ(r.m_PatternEndDate, D(2027, 1, 6));
  p.until = D(2027, 1, 4);  // on the 5th Monday itself: it counts
  ApplySchedule({.pattern = p}, r);
  EXPECT_EQ(r.m_Occurrences, 5);
}

TEST_F(Schedule, AnEndDateBeforeTheFirstOccurrenceIsRefused) {
  PatternRequest p = Weekly(32);  // Fridays: the first is 11 December
  p.end = RangeEnd::kUntil;
  p.until = D(2026, 12, 10);
  const std::string why = Refusal(p);
  EXPECT_NE(why.find("--until: the end date 2026-12-10 is before the first occurrence"),
            std::string::npos)
      << why;
  p.until = D(2026, 11, 1);
  EXPECT_NE(Refusal(p).find("--until"), std::string::npos);
}

TEST_F(Schedule, NoEndKeepsNoCountAndAPatternStartedInThePastIsDueAtOnce) {
  CMailProps r;
  ApplySchedule({.pattern = Yearly(3, 15, D(2026, 12, 7))}, r);
  EXPECT_TRUE(r.m_NoEndDate);
  EXPECT_EQ(r.m_Occurrences, 0);
  EXPECT_EQ(r.m_ScheduleTime, D(2027, 3, 15, 8, 0));

  ApplySchedule({.pattern = Yearly(12, 4, D(2026, 12, 1))}, r);
  EXPECT_EQ(r.m_ScheduleTime, D(2026, 12, 4, 8, 0));
  EXPECT_LT(r.m_ScheduleTime, clock.Now());
}

TEST_F(Schedule, AStartSoFarBackThatSeveralOccurrencesAreDueIsRefusedUnlessCaughtUp) {
  PatternRequest daily;
  daily.type = recurrence::kDaily;
  daily.startDate = D(2026, 12, 2);
  daily.timeOfDay = DateTime::FromTime(8, 0, 0);  // 2 to 7 December: six are due at 9:00
  daily.end = RangeEnd::kNever;
  const std::string refusal = Refusal(daily);
  EXPECT_NE(refusal.find("--start: 6 occurrences are already due"), std::string::npos) << refusal;
  daily.end = RangeEnd::kCount;  // a count caps what could leave
  daily.count = 2;
  EXPECT_NE(Refusal(daily).find("2 occurrences"), std::string::npos);

  CMailProps r;
  daily.end = RangeEnd::kNever;
  ApplySchedule({.pattern = daily, .catchUp = true}, r);
  EXPECT_EQ(r.m_ScheduleTime, D(2026, 12, 2, 8, 0));
  daily.startDate = D(2026, 12, 7);  // one due occurrence is no surprise
  ApplySchedule({.pattern = daily}, r);
  EXPECT_EQ(r.m_ScheduleTime, D(2026, 12, 7, 8, 0));
}

}  // namespace
}  // namespace velmora::posix
