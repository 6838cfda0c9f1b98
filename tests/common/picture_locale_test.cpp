// Date texts of the picture locale: what the stored texts and the registry
// handshake rely on reading back exactly. (Other regional pictures: the
// regional settings tests.)
#include <gtest/gtest.h>

#include "common/picture_locale.h"

namespace velmora {
namespace {

DateTime D(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
  return DateTime::FromParts(y, m, d, hh, mm, ss);
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
