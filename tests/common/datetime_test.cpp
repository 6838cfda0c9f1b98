// Calendar behaviour the occurrence rules and the stored texts rely on.
#include <gtest/gtest.h>

#include "common/datetime.h"
#include "common/host_error.h"

namespace velmora {
namespace {

DateTime D(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
  return DateTime::FromParts(y, m, d, hh, mm, ss);
}

TEST(DateTimeOle, KnownValuesConvertBothWays) {
  EXPECT_EQ(DateTime::FromOle(46363.375), D(2026, 12, 7, 9, 0, 0));
  EXPECT_DOUBLE_EQ(D(2026, 12, 7, 9).ToOle(), 46363.375);
  EXPECT_EQ(DateTime::FromOle(365.25), D(1900, 12, 30, 6));
  EXPECT_EQ(DateTime::FromOle(0.0), DateTime());
  EXPECT_EQ(DateTime::FromOle(2.0), D(1900, 1, 1));
}

TEST(DateTimeOle, NegativeDatesCountTheTimeForward) {
  // -1.25 is 29 December 1899 at 6:00, not 18:00.
  EXPECT_EQ(DateTime::FromOle(-1.25), D(1899, 12, 29, 6));
  EXPECT_DOUBLE_EQ(D(1899, 12, 29, 6).ToOle(), -1.25);
  EXPECT_EQ(DateTime::FromOle(D(1850, 3, 1, 13, 14, 15).ToOle()), D(1850, 3, 1, 13, 14, 15));
}

TEST(DateTimeOle, RoundsToTheNearestSecondAndCarriesIntoTheNextDay) {
  EXPECT_EQ(DateTime::FromOle(46363.375 + 0.4 / 86400), D(2026, 12, 7, 9, 0, 0));
  EXPECT_EQ(DateTime::FromOle(46363.375 + 0.6 / 86400), D(2026, 12, 7, 9, 0, 1));
  EXPECT_EQ(DateTime::FromOle(46363.9999999), D(2026, 12, 8));
}

TEST(DateTimeOle, RejectsValuesOutsideTheHostRange) {
  EXPECT_FALSE(DateTime::TryFromOle(1e300).has_value());
  EXPECT_FALSE(DateTime::TryFromOle(-1e7).has_value());
  EXPECT_FALSE(DateTime::TryFromOle(std::numeric_limits<double>::quiet_NaN()).has_value());
  EXPECT_THROW(DateTime::FromOle(3e6), HostError);
}

TEST(DateTimeBuild, DayAndMonthRunOverLikeADateSerial) {
  EXPECT_EQ(D(2027, 3, 0), D(2027, 2, 28));
  EXPECT_EQ(D(2028, 3, 0), D(2028, 2, 29));
  EXPECT_EQ(D(2027, 4, 31), D(2027, 5, 1));
  EXPECT_EQ(D(2027, 13, 1), D(2028, 1, 1));
  EXPECT_EQ(D(2027, 0, 1), D(2026, 12, 1));
  EXPECT_EQ(D(2027, 1, -1), D(2026, 12, 30));
}

TEST(DateTimeBuild, OutOfRangeYearsRaiseInsteadOfWrapping) {
  EXPECT_THROW(D(10000, 1, 1), HostError);
  EXPECT_THROW(D(99, 12, 31), HostError);
  EXPECT_FALSE(DateTime::TryFromParts(9999, 12, 32).has_value());
  EXPECT_TRUE(DateTime::TryFromParts(9999, 12, 31, 23, 59, 59).has_value());
}

TEST(DateTimeParts, WeekdayDatePartAndTimePart) {
  EXPECT_EQ(D(1899, 12, 30).Weekday(), 7);   // a Saturday
  EXPECT_EQ(D(2027, 3, 7).Weekday(), 1);     // Sunday
  EXPECT_EQ(D(2027, 3, 5).Weekday(), 6);     // Friday
  EXPECT_EQ(D(2027, 3, 8).WeekdayBit(), 2);  // Monday
  EXPECT_EQ(D(1899, 12, 28).Weekday(), 5);   // before the zero day too
  const DateTime t = D(2026, 12, 7, 9, 30, 15);
  EXPECT_EQ(t.DatePart(), D(2026, 12, 7));
  EXPECT_EQ(t.TimePart(), DateTime::FromTime(9, 30, 15));
  EXPECT_EQ(t.TimePart().DayNumber(), 0);
  EXPECT_EQ(D(2026, 12, 8).WithTimeOf(t), D(2026, 12, 8, 9, 30, 15));
}

TEST(DateTimeAdd, MonthsClampToTheLastDayAndKeepTheTime) {
  EXPECT_EQ(D(2027, 1, 31, 9).AddMonths(1), D(2027, 2, 28, 9));
  EXPECT_EQ(D(2028, 1, 31, 9).AddMonths(1), D(2028, 2, 29, 9));
  EXPECT_EQ(D(2027, 3, 31).AddMonths(-1), D(2027, 2, 28));
  EXPECT_EQ(D(2027, 11, 30).AddMonths(14), D(2029, 1, 30));
  EXPECT_EQ(D(2028, 2, 29).AddYears(1), D(2029, 2, 28));
  EXPECT_EQ(D(2028, 2, 29).AddYears(4), D(2032, 2, 29));
  EXPECT_THROW(D(9999, 6, 1).AddYears(1), HostError);
  // Days and seconds cross month and year boundaries.
  EXPECT_EQ(D(2026, 12, 31, 23, 59, 59).AddSeconds(1), D(2027, 1, 1));
  EXPECT_EQ(D(2027, 3, 1).AddDays(-1), D(2027, 2, 28));
  EXPECT_EQ(D(2027, 3, 1, 9).AddDays(365), D(2028, 2, 29, 9));
}

TEST(DateTimeCalendar, CivilConversionIsConsistentOverCenturies) {
  for (std::int64_t day = -600000; day < 2900000; day += 997) {
    const CivilDate c = CivilFromDays(day);
    ASSERT_EQ(DaysFromCivil(c.year, c.month, c.day), day);
    ASSERT_LE(c.day, DaysInMonth(c.year, c.month));
  }
  EXPECT_EQ(DaysInMonth(2028, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
}

}  // namespace
}  // namespace velmora
