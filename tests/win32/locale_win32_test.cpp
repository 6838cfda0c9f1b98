// Date texts and locale entries through oleaut32 and the user's regional
// settings: the texts "NextOccurence" and the stored schedules are written in.
#include <windows.h>
// The port's member shares its name with the API's A/W macro.
#undef GetLocaleInfo

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/adapters/locale_win32.h"

namespace velmora {
namespace {

using win32::Win32Locale;

DateTime Ole(double d) {
  return DateTime::FromOle(d);
}

// United States settings (Wine's default prefix; skipped elsewhere) and
// Germany's, named explicitly: the adapter follows the locale, it does not
// assume United States texts.
TEST(Win32Locale, WritesAndReadsInTheLocalesOwnOrderAndClock) {
  Win32Locale de(0x0407);
  EXPECT_EQ(de.FormatDateTime(Ole(46363.375)), "7.12.2026 09:00:00");
  // The same text a United States user writes for 7 December is 12 July here.
  EXPECT_EQ(de.ParseDateTime("12/7/2026"), DateTime::FromParts(2026, 7, 12));
  EXPECT_EQ(de.ParseDateTime("2026-12-07 09:00"), Ole(46363.375));  // ISO everywhere
  EXPECT_EQ(de.GetLocaleInfo(lc::kFirstDayOfWeek), "0");            // Monday
  if (::GetUserDefaultLCID() != 0x0409)
    GTEST_SKIP() << "exact United States texts; this user's locale is 0x" << std::hex
                 << ::GetUserDefaultLCID();
  Win32Locale us;
  EXPECT_EQ(us.FormatDateTime(DateTime::FromParts(2026, 12, 7, 21, 5, 9)), "12/7/2026 9:05:09 PM");
  EXPECT_EQ(us.FormatDateTime(Ole(0.0)), "12:00:00 AM");    // zero day: time alone
  EXPECT_EQ(us.FormatDateTime(Ole(46363.0)), "12/7/2026");  // midnight: date alone
  // Before the zero day the fraction still counts forward from midnight.
  EXPECT_EQ(us.FormatDateTime(DateTime::FromParts(1899, 12, 29, 6, 0, 0)), "12/29/1899 6:00:00 AM");
  EXPECT_EQ(us.ParseDateTime("12/7/2026 9:05 PM"), DateTime::FromParts(2026, 12, 7, 21, 5, 0));
  EXPECT_EQ(us.GetLocaleInfo(lc::kFirstDayOfWeek), "6");  // Sunday
}

TEST(Win32Locale, ReadsBackEverythingItWritesToTheSecondAndNothingElse) {
  Win32Locale loc;
  // From the year 100 to 9999 in uneven steps, so every field takes many values.
  const std::int64_t first = DateTime::FromParts(100, 1, 1).Seconds();
  const std::int64_t last = DateTime::FromParts(9999, 12, 31, 23, 59, 59).Seconds();
  for (std::int64_t s = first; s <= last; s += 86400LL * 997 + 3917) {
    const DateTime t = DateTime::FromSeconds(s);
    const std::string text = loc.FormatDateTime(t);
    ASSERT_EQ(loc.ParseDateTime(text), t) << text << " from " << ToIsoText(t);
  }
  for (const DateTime t : {DateTime(), Ole(46363.0), DateTime::FromTime(23, 59, 59),
                           DateTime::FromParts(9999, 12, 31, 23, 59, 59)})
    EXPECT_EQ(loc.ParseDateTime(loc.FormatDateTime(t)), t) << ToIsoText(t);
  // Nothing else reads as a date.
  for (const char* bad : {"", "garbage", "12/7/2026 9:00:00 AM trailing", "13/13/2026",
                          "2026-02-30", "1/1/10000", "25:61", "\xFF\xFE\xFD"})
    EXPECT_FALSE(loc.ParseDateTime(bad).has_value()) << bad;
  EXPECT_FALSE(loc.ParseDateTime(std::string("12/7/2026\0 9:00", 15)).has_value());
}

}  // namespace
}  // namespace velmora
