// The regional settings of the standalone host, kept as Windows keeps them:
// United States values where nothing is stored, stored values where they are
// usable, and a refusal (not a silent write) for settings whose dates would
// not read back — every stored schedule depends on reading them back.
#include <gtest/gtest.h>

#include "common/host_error.h"
#include "common/winreg.h"
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

TEST_F(Regional, NothingStoredGivesUnitedStatesSettingsAndStoredValuesAreFollowed) {
  const LocalePictures us = LoadRegionalSettings(registry);
  EXPECT_EQ(us.shortDate, "M/d/yyyy");
  EXPECT_EQ(us.longTime, "h:mm:ss tt");
  EXPECT_EQ(us.am, "AM");
  EXPECT_EQ(us.pm, "PM");
  EXPECT_EQ(us.firstDayOfWeek, 6);

  Put("sShortDate", "dd.MM.yyyy");
  Put("sTimeFormat", "HH:mm:ss");
  Put("iFirstDayOfWeek", "0");
  const LocalePictures p = LoadRegionalSettings(registry);
  EXPECT_EQ(p.shortDate, "dd.MM.yyyy");
  EXPECT_EQ(p.longTime, "HH:mm:ss");
  EXPECT_EQ(p.firstDayOfWeek, 0);
  const PictureLocale locale(p);
  EXPECT_EQ(locale.FormatDateTime(DateTime::FromParts(2026, 12, 7, 21, 5, 9)),
            "07.12.2026 21:05:09");
}

TEST_F(Regional, AHandEditedValueThatCannotReadItsDatesFallsBackWhole) {
  Put("sShortDate", "yyyy");  // no day, no month: every date would read as 1 January
  Put("iFirstDayOfWeek", "1");
  const LocalePictures p = LoadRegionalSettings(registry);
  EXPECT_EQ(p.shortDate, "M/d/yyyy");
  EXPECT_EQ(p.firstDayOfWeek, 1);
  Put("iFirstDayOfWeek", "9");
  EXPECT_EQ(LoadRegionalSettings(registry).firstDayOfWeek, 6);
}

TEST_F(Regional, ProblemsAreNamed) {
  LocalePictures p;
  EXPECT_FALSE(RegionalSettingsProblem(p));
  p.shortDate = "M/yyyy";
  EXPECT_NE(RegionalSettingsProblem(p)->find("day"), std::string::npos);
  p = {};
  p.longTime = "h:mm tt";
  EXPECT_NE(RegionalSettingsProblem(p)->find("seconds"), std::string::npos);
  p = {};
  p.longTime = "h:mm:ss";
  EXPECT_NE(RegionalSettingsProblem(p)->find("AM/PM"), std::string::npos);
  p = {};
  p.am = p.pm = "X";
  EXPECT_NE(RegionalSettingsProblem(p)->find("same"), std::string::npos);
  p = {};
  p.shortDate = "M#d#yyyy";
  EXPECT_NE(RegionalSettingsProblem(p)->find("#"), std::string::npos);
  p = {};
  p.shortDate = "d/M/yy";  // two-digit years: 1999 would come back as another century
  EXPECT_TRUE(RegionalSettingsProblem(p));
  p = {};
  p.firstDayOfWeek = 7;
  EXPECT_TRUE(RegionalSettingsProblem(p));
}

TEST_F(Regional, SavingRefusesUnusableSettingsAndKeepsTheOldOnes) {
  LocalePictures good;
  good.shortDate = "yyyy-MM-dd";
  good.longTime = "HH:mm:ss";
  SaveRegionalSettings(registry, good);
  EXPECT_EQ(LoadRegionalSettings(registry).shortDate, "yyyy-MM-dd");
  LocalePictures bad = good;
  bad.shortDate = "dd";
  EXPECT_THROW(SaveRegionalSettings(registry, bad), HostError);
  EXPECT_EQ(LoadRegionalSettings(registry).shortDate, "yyyy-MM-dd");
}

}  // namespace
}  // namespace velmora::posix
