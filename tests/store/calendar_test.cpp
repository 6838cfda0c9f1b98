// The host's first day of the week as the recurrence rules count it. The
// recurrence dialog's tests cover a day's week instance.
#include <gtest/gtest.h>

#include <string>

#include "addin/store/calendar.h"
#include "addin/store/versions.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "common/winreg.h"
#include "platform/posix/registry_sqlite.h"

namespace velmora::test {
namespace {

TEST(FirstDow, TheHostsStoredDayCountsFromSundayAndUnusableOnesGiveTheSystems) {
  posix::SqliteRegistry registry{":memory:"};
  PictureLocale monday(LocalePictures{.firstDayOfWeek = 0});
  ScopedServices services(
      Services{.locale = &monday, .registry = &registry, .logFolder = GetServices().logFolder});
  const std::string savedVersion = g_OutlookVersion;
  g_OutlookVersion = "11.0";
  EXPECT_EQ(EffectiveFirstDOW(), 2) << "no key: the system's Monday";
  CWinReg reg{registry};
  ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER,
                               "Software\\Microsoft\\Office\\11.0\\Outlook\\Options\\Calendar",
                               true));
  EXPECT_EQ(LoadFirstDOW(), 1) << "an absent value reads as 0, that is Sunday";
  // The host numbers from 0 = Sunday, the rules from 1 = Sunday; 0 is "the system's".
  for (const auto& [stored, rules, effective] :
       {std::tuple{1, 2, 2}, {0, 1, 1}, {6, 7, 7}, {7, 0, 2}, {-1, 0, 2}}) {
    reg.SetNumber("FirstDOW", stored);
    EXPECT_EQ(LoadFirstDOW(), rules) << "stored " << stored;
    EXPECT_EQ(EffectiveFirstDOW(), effective) << "stored " << stored;
  }
  reg.SetString("FirstDOW", "3");  // not a number value: reads as 0
  EXPECT_EQ(LoadFirstDOW(), 1);
  g_OutlookVersion = "12.0";  // the key of another host version is not read
  EXPECT_EQ(LoadFirstDOW(), 0);
  g_OutlookVersion = savedVersion;
}

}  // namespace
}  // namespace velmora::test
