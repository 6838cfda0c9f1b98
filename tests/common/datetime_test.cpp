// Calendar behaviour the occurrence rules and the stored texts rely on.
// Date texts of the picture locale: what the stored texts and the registry
// handshake rely on reading back exactly. (Other regional pictures: the
// regional settings tests.)
#include <gtest/gtest.h>

#include "common/datetime.h"
#include "common/host_error.h"
#include "common/picture_locale.h"

namespace velmora {
namespace {

DateTime D(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
  return DateTime::FromParts(y, m, d, hh, mm, ss);
}

TEST(DateTimeOle, ConvertsBothWaysRoundsToTheSecondAndRefusesWhatIsOutOfRange) {
  EXPECT_EQ(DateTime::FromOle(46363.375), D(2026, 12, 7, 9, 0, 0));
  EXPECT_DOUBLE_EQ(D(2026, 12, 7, 9).ToOle(), 46363.375);
  EXPECT_EQ(DateTime::FromOle(0.0), DateTime());
  EXPECT_EQ(DateTime::FromOle(46363.375 + 0.4 / 86400), D(2026, 12, 7, 9, 0, 0));
  EXPECT_EQ(DateTime::FromOle(46363.375 + 0.6 / 86400), D(2026, 12, 7, 9, 0, 1));
  EXPECT_EQ(DateTime::FromOle(46363.9999999), D(2026, 12, 8));  // carried into the next day
  EXPECT_FALSE(DateTime::TryFromOle(1e300).has_value());
  EXPECT_FALSE(DateTime::TryFromOle(std::numeric_limits<double>::quiet_NaN()).has_value());
  EXPECT_THROW(DateTime::FromOle(3e6), HostError);
  // Years outside the host's range raise instead of wrapping.
  EXPECT_THROW(D(10000, 1, 1), HostError);
  EXPECT_THROW(D(99, 12, 31), HostError);
  EXPECT_FALSE(DateTime::TryFromParts(9999, 12, 32).has_value());
  EXPECT_TRUE(DateTime::TryFromParts(9999, 12, 31, 23, 59, 59).has_value());
}

TEST(DateTimeAdd, MonthsClampToTheLastDayAndKeepTheTime) {
  EXPECT_EQ(D(2027, 1, 31, 9).AddMonths(1), D(2027, 2, 28, 9));
  EXPECT_EQ(D(2028, 1, 31, 9).AddMonths(1), D(2028, 2, 29, 9));
  EXPECT_EQ(D(2027, 3, 31).AddMonths(-1), D(2027, 2, 28));
  EXPECT_EQ(D(2027, 11, 30).AddMonths(14), D(2029, 1, 30));
  EXPECT_EQ(D(2028, 2, 29).AddYears(1), D(2029, 2, 28));
  EXPECT_EQ(D(2028, 2, 29).AddYears(4), D(2032, 2, 29));
  EXPECT_THROW(D(9999, 6, 1).AddYears(1), HostError);
  EXPECT_EQ(D(2026, 12, 31, 23, 59, 59).AddSeconds(1), D(2027, 1, 1));
  EXPECT_EQ(D(2027, 3, 1, 9).AddDays(365), D(2028, 2, 29, 9));
}

TEST(DateTimeCalendar, CivilConversionIsConsistentOverCenturies) {
  for (std::int64_t day = -600000; day < 2900000; day += 997) {
    const CivilDate c = CivilFromDays(day);
    ASSERT_EQ(DaysFromCivil(c.year, c.month, c.day), day);
    ASSERT_LE(c.day, DaysInMonth(c.year, c.month));
  }
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
}

TEST(PictureLocaleUs, WritesTheGeneralDateFormAndReadsBackEverythingItWrites) {
  PictureLocale us;
  EXPECT_EQ(us.FormatDateTime(D(2026, 12, 7, 21, 5, 9)), "12/7/2026 9:05:09 PM");
  EXPECT_EQ(us.FormatDateTime(D(2026, 12, 7)), "12/7/2026");  // midnight: date alone
  EXPECT_EQ(us.FormatDateTime(DateTime()), "12:00:00 AM");    // zero value: time alone
  EXPECT_EQ(us.FormatDateTime(DateTime::FromTime(12, 30, 0)), "12:30:00 PM");
  for (std::int64_t s = -86400LL * 3000; s < 86400LL * 80000; s += 86400LL * 17 + 3917) {
    const DateTime t = DateTime::FromSeconds(s);
    ASSERT_EQ(us.ParseDateTime(us.FormatDateTime(t)), t) << us.FormatDateTime(t);
  }
}

TEST(PictureLocaleUs, ReadsWhatUsersTypeAndIso8601) {
  PictureLocale us;
  EXPECT_EQ(us.ParseDateTime(" 12/07/2026 09:00:00pm "), D(2026, 12, 7, 21));
  EXPECT_EQ(us.ParseDateTime("12/7/26"), D(2026, 12, 7));
  EXPECT_EQ(us.ParseDateTime("1/1/45"), D(1945, 1, 1));
  EXPECT_EQ(us.ParseDateTime("2026-12-07 09:30:15"), D(2026, 12, 7, 9, 30, 15));
  EXPECT_EQ(us.ParseDateTime("9:00:00 AM"), DateTime::FromTime(9, 0, 0));
}

}  // namespace
}  // namespace velmora
