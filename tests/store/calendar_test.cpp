// The host's first day of the week, the calendar helpers of the recurrence
// rules, and the time format without seconds.
#include <gtest/gtest.h>

#include <string>

#include "addin/store/calendar.h"
#include "addin/store/mlocale.h"
#include "addin/store/versions.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "common/winreg.h"
#include "platform/posix/registry_sqlite.h"
#include "support/captured_log.h"

namespace velmora::test {
namespace {

constexpr const char* kCalendarKey =
    "Software\\Microsoft\\Office\\11.0\\Outlook\\Options\\Calendar";

class FirstDowTest : public ::testing::Test {
 protected:
  FirstDowTest()
      : services_(Services{
            .locale = &locale_, .registry = &registry_, .logFolder = GetServices().logFolder}),
        savedVersion_(g_OutlookVersion) {
    g_OutlookVersion = "11.0";
  }
  ~FirstDowTest() override { g_OutlookVersion = savedVersion_; }

  CWinReg& CalendarKey() {
    EXPECT_TRUE(reg_.InitForWrite(CWinReg::HKEY_CURRENT_USER, kCalendarKey, true));
    return reg_;
  }

  posix::SqliteRegistry registry_{":memory:"};
  PictureLocale locale_;
  ScopedServices services_;
  std::string savedVersion_;
  CWinReg reg_{registry_};
};

TEST_F(FirstDowTest, StoredValueCountsFromZeroForSundayAndUnusableOnesGiveTheSystems) {
  // The host numbers from 0 = Sunday, the rules from 1 = Sunday; 0 is "the system's".
  const struct {
    std::int32_t stored;
    int rules;
  } cases[] = {{1, 2}, {0, 1}, {6, 7}, {9, 0}, {-1, 0}, {2147483647, 0}};
  for (const auto& c : cases) {
    CalendarKey().SetNumber("FirstDOW", c.stored);
    EXPECT_EQ(LoadFirstDOW(), c.rules) << "stored " << c.stored;
  }
  CalendarKey().SetString("FirstDOW", "3");  // not a number value: reads as 0
  EXPECT_EQ(LoadFirstDOW(), 1);
  CalendarKey().DeleteValue("FirstDOW");
  EXPECT_EQ(LoadFirstDOW(), 1) << "an absent value reads as 0, that is Sunday";

  CalendarKey().SetNumber("FirstDOW", 1);
  g_OutlookVersion = "12.0";  // the key of another host version is not read
  EXPECT_EQ(LoadFirstDOW(), 0);
}

TEST_F(FirstDowTest, EffectiveFirstDayPrefersTheHostsOption) {
  PictureLocale monday(LocalePictures{.firstDayOfWeek = 0});
  GetServices().locale = &monday;
  EXPECT_EQ(EffectiveFirstDOW(), 2) << "nothing stored: the system's Monday";
  CalendarKey().SetNumber("FirstDOW", 3);
  EXPECT_EQ(EffectiveFirstDOW(), 4);
  CalendarKey().SetNumber("FirstDOW", 40);
  EXPECT_EQ(EffectiveFirstDOW(), 2);
  GetServices().locale = &locale_;

  CalendarKey().SetNumber("FirstDOW", 1);
  reg_.Close();
  GetServices().registry = nullptr;
  EXPECT_EQ(LoadFirstDOW(), 0) << "no registry means the system's first day";
  EXPECT_EQ(EffectiveFirstDOW(), 1) << "the locale's Sunday";
}

TEST(CalendarHelpers, DaysInMonthAndWeekInstance) {
  EXPECT_EQ(GetDaysInMonth(DateTime::FromParts(2028, 2, 29, 23, 59, 59)), 29);
  EXPECT_EQ(GetDaysInMonth(DateTime::FromParts(1900, 2, 14)), 28);
  EXPECT_EQ(GetDaysInMonth(DateTime::FromParts(2000, 2, 14)), 29);
  EXPECT_EQ(GetWeekInstance(DateTime::FromParts(2027, 2, 22)), 5);  // 22 + 7 > 28
  EXPECT_EQ(GetWeekInstance(DateTime::FromParts(2027, 3, 24)), 4);  // 24 + 7 = 31: not last
  EXPECT_EQ(GetWeekInstance(DateTime::FromParts(2027, 3, 8)), 2);
}

class TimeFormatTest : public ::testing::Test {
 protected:
  bool FormatWith(const std::string& timeFormat, const std::string& separator, std::string& out) {
    PictureLocale l(LocalePictures{.longTime = timeFormat, .timeSeparator = separator});
    ScopedServices s(Services{.locale = &l, .logFolder = GetServices().logFolder});
    return mLocale::GetTimeFormat(out);
  }
};

TEST_F(TimeFormatTest, SecondsAndTheirSeparatorAreRemoved) {
  const struct {
    const char* format;
    const char* separator;
    const char* expected;
  } cases[] = {
      {"h:mm:ss tt", ":", "h:mm tt"},
      {"HH:mm:ss", ":", "HH:mm"},
      {"H:mm:s", ":", "H:mm"},  // single s: separator and s go
      {"HH.mm.ss", ".", "HH.mm"},
      {"h:mm tt", ":", "h:mm tt"},  // no seconds: unchanged
      {"tt hh:mm:ss", ":", "tt hh:mm"},
      {"HH:mm:ss:ss", ":", "HH:mm:ss"},  // only the first occurrence
  };
  for (const auto& c : cases) {
    std::string out = "unchanged?";
    ASSERT_TRUE(FormatWith(c.format, c.separator, out)) << c.format;
    EXPECT_EQ(out, c.expected) << c.format;
  }
}

TEST_F(TimeFormatTest, MissingLocaleLogsAndAnswersFalse) {
  CapturedLog log;
  ScopedServices none(Services{.logFolder = GetServices().logFolder});
  std::string out = "kept";
  EXPECT_FALSE(mLocale::GetTimeFormat(out));
  EXPECT_EQ(out, "kept");
  EXPECT_TRUE(log.Contains("Error(91) : mLocale.GetTimeFormat"));
}

// A locale whose entries are longer than the platform's answer buffer.
class LongLocale final : public Locale {
 public:
  std::string FormatDateTime(DateTime) const override { return {}; }
  std::optional<DateTime> ParseDateTime(std::string_view) const override { return {}; }
  std::string GetLocaleInfo(std::uint32_t entry) const override {
    if (entry == 1) return std::string(300, 'x');
    std::string s;
    for (int i = 0; i < 300; ++i)
      s += "\xC3\xA9";  // é, two bytes each
    return s;
  }
};

TEST(LocaleString, LongEntriesAreCutAt255Characters) {
  LongLocale l;
  ScopedServices s(Services{.locale = &l, .logFolder = GetServices().logFolder});
  EXPECT_EQ(mLocale::GetLocaleString(1), std::string(255, 'x'));
  const std::string accented = mLocale::GetLocaleString(2);
  EXPECT_EQ(accented.size(), 510u) << "cut between characters, never inside one";
}

}  // namespace
}  // namespace velmora::test
