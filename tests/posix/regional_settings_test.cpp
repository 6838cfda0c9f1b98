// The regional settings of the standalone host, kept as Windows keeps them:
// United States values where nothing is stored, stored values where they are
// usable, and a refusal (not a silent write) for settings whose dates would
// not read back — every stored schedule depends on reading them back.
#include <gtest/gtest.h>

#include "common/host_error.h"
#include "common/winreg.h"
#include "platform/posix/live_regional_locale.h"
#include "platform/posix/regional_settings.h"
#include "platform/posix/registry_sqlite.h"

namespace velmora::posix {
namespace {

class Regional : public ::testing::Test {
 protected:
  SqliteRegistry registry{":memory:"};
  void Put(std::string_view name, std::string_view value) {
    CWinReg reg(registry);
    ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, kInternationalKey, true));
    ASSERT_TRUE(reg.SetString(name, value));
  }
};

TEST_F(Regional, StoredValuesAreFollowedAndAHandEditedOneThatCannotReadDatesFallsBackWhole) {
  EXPECT_EQ(LoadRegionalSettings(registry).firstDayOfWeek, 6);  // nothing stored: Sunday
  Put("sShortDate", "dd.MM.yyyy");
  Put("sTimeFormat", "HH:mm:ss");
  Put("iFirstDayOfWeek", "0");
  const LocalePictures p = LoadRegionalSettings(registry);
  EXPECT_EQ(p.firstDayOfWeek, 0);
  EXPECT_EQ(PictureLocale(p).FormatDateTime(DateTime::FromParts(2026, 12, 7, 21, 5, 9)),
            "07.12.2026 21:05:09");

  Put("sShortDate", "yyyy");  // no day, no month: every date would read as 1 January
  EXPECT_EQ(LoadRegionalSettings(registry).shortDate, "M/d/yyyy");
  Put("iFirstDayOfWeek", "9");
  EXPECT_EQ(LoadRegionalSettings(registry).firstDayOfWeek, 6);
}

TEST_F(Regional, ProblemsAreNamedAndSavingRefusesUnusableSettingsAndKeepsTheOldOnes) {
  EXPECT_FALSE(RegionalSettingsProblem({}));
  const auto problem = [](std::string LocalePictures::*field, std::string value) {
    LocalePictures p;
    p.*field = value;
    return RegionalSettingsProblem(p).value_or("none");
  };
  using P = LocalePictures;
  EXPECT_NE(problem(&P::shortDate, "M/yyyy").find("day"), std::string::npos);
  EXPECT_NE(problem(&P::longTime, "h:mm tt").find("seconds"), std::string::npos);
  EXPECT_NE(problem(&P::longTime, "h:mm:ss").find("AM/PM"), std::string::npos);
  EXPECT_NE(problem(&P::am, "PM").find("same"), std::string::npos);
  EXPECT_NE(problem(&P::shortDate, "M#d#yyyy").find("#"), std::string::npos);
  // Two-digit years: 1999 would come back as another century.
  EXPECT_NE(problem(&P::shortDate, "d/M/yy"), "none");
  LocalePictures eighthDay;
  eighthDay.firstDayOfWeek = 7;
  EXPECT_TRUE(RegionalSettingsProblem(eighthDay));

  LocalePictures good;
  good.shortDate = "yyyy-MM-dd";
  good.longTime = "HH:mm:ss";
  SaveRegionalSettings(registry, good);
  LocalePictures bad = good;
  bad.shortDate = "dd";
  EXPECT_THROW(SaveRegionalSettings(registry, bad), HostError);
  EXPECT_EQ(LoadRegionalSettings(registry).shortDate, "yyyy-MM-dd");
}

// Orbitel runs for days while the user may change the settings: dates are
// read and written in the settings of the moment.
TEST_F(Regional, TheLiveLocaleFollowsTheSettingsAsTheyChange) {
  const LiveRegionalLocale locale(registry);
  const DateTime nine = DateTime::FromParts(2026, 12, 7, 9, 0, 0);
  EXPECT_EQ(locale.FormatDateTime(nine), "12/7/2026 9:00:00 AM");
  LocalePictures german;
  german.shortDate = "d.M.yyyy";
  german.longTime = "HH:mm:ss";
  german.dateSeparator = ".";
  SaveRegionalSettings(registry, german);
  EXPECT_EQ(locale.FormatDateTime(nine), "7.12.2026 09:00:00");
  EXPECT_EQ(locale.ParseDateTime("7.12.2026 09:00:00"), nine);
}

}  // namespace
}  // namespace velmora::posix
