// Per-user settings over each platform's registry backend: callers tell an
// absent setting from an empty one, and long texts (the ignore list) survive.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/settings.h"
#include "common/winreg.h"
#include "support/test_registry.h"

namespace velmora {
namespace {

constexpr const char* kApp = "VelmoraTestApp";
constexpr const char* kOtherApp = "VelmoraTestOther";

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_ = test::MakeTestRegistryBackend();
    ASSERT_TRUE(backend_);
    Clean();
  }
  void TearDown() override {
    if (backend_) Clean();
  }
  void Clean() {
    CWinReg r(*backend_);
    if (!r.InitForAllAccess(CWinReg::HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings",
                            false))
      return;
    r.DeleteKeyRec(kApp);
    r.DeleteKeyRec(kOtherApp);
  }
  std::unique_ptr<RegistryBackend> backend_;
};

TEST_F(SettingsTest, AbsentIsNotEmpty) {
  RegistrySettings s(*backend_);
  EXPECT_FALSE(s.GetSetting(kApp, "Settings", "IgnoreList"));  // no section yet
  ASSERT_TRUE(s.SaveSetting(kApp, "Settings", "IgnoreSysHiden", "1"));
  EXPECT_FALSE(s.GetSetting(kApp, "Settings", "IgnoreList"));  // section, no value
  ASSERT_TRUE(s.SaveSetting(kApp, "Settings", "IgnoreList", ""));
  const auto empty = s.GetSetting(kApp, "Settings", "IgnoreList");
  ASSERT_TRUE(empty);
  EXPECT_EQ(*empty, "");

  EXPECT_TRUE(s.DeleteSetting(kApp, "Settings", "IgnoreList"));
  EXPECT_FALSE(s.GetSetting(kApp, "Settings", "IgnoreList"));
  EXPECT_FALSE(s.DeleteSetting(kApp, "Settings", "IgnoreList"));
  EXPECT_FALSE(s.DeleteSetting(kApp, "NoSuchSection", "IgnoreList"));
  EXPECT_EQ(s.GetSetting(kApp, "settings", "ignoresyshiden"), "1");  // names ignore case
}

TEST_F(SettingsTest, LongTextsRoundTripWhole) {
  RegistrySettings s(*backend_);
  std::string ascii, utf8;
  for (int i = 0; i < 10000; ++i) {
    ascii += static_cast<char>('a' + i % 26);
    utf8 += i % 2 ? "ü" : "€";
  }
  ASSERT_TRUE(s.SaveSetting(kApp, "Settings", "Ascii", ascii));
  ASSERT_TRUE(s.SaveSetting(kApp, "Settings", "Utf8", utf8));
  EXPECT_EQ(s.GetSetting(kApp, "Settings", "Ascii"), ascii);
  EXPECT_EQ(s.GetSetting(kApp, "Settings", "Utf8"), utf8);
  ASSERT_TRUE(s.SaveSetting(kApp, "Settings", "Ascii", "short"));
  EXPECT_EQ(s.GetSetting(kApp, "Settings", "Ascii"), "short");
}

TEST_F(SettingsTest, ApplicationsAndSectionsAreSeparate) {
  RegistrySettings s(*backend_);
  ASSERT_TRUE(s.SaveSetting(kApp, "One", "Key", "app/one"));
  ASSERT_TRUE(s.SaveSetting(kApp, "Two", "Key", "app/two"));
  ASSERT_TRUE(s.SaveSetting(kOtherApp, "One", "Key", "other/one"));
  ASSERT_TRUE(s.SaveSetting(kApp, "Nested\\Deeper", "Key", "nested"));
  EXPECT_TRUE(s.DeleteSetting(kApp, "Two", "Key"));
  EXPECT_EQ(s.GetSetting(kApp, "One", "Key"), "app/one");
  EXPECT_FALSE(s.GetSetting(kApp, "Two", "Key"));
  EXPECT_EQ(s.GetSetting(kOtherApp, "One", "Key"), "other/one");
  EXPECT_EQ(s.GetSetting(kApp, "Nested\\Deeper", "Key"), "nested");

  // Empty names would address the parent key: refused, nothing written there.
  EXPECT_FALSE(s.SaveSetting("", "One", "Key", "x"));
  EXPECT_FALSE(s.SaveSetting(kApp, "", "Key", "x"));
  EXPECT_FALSE(s.GetSetting(kApp, "", "Key"));
}

TEST_F(SettingsTest, LivesWhereTheWindowsSettingsStatementsLook) {
  RegistrySettings s(*backend_);
  ASSERT_TRUE(s.SaveSetting(kApp, "Settings", "IgnoreList", "thumbs.db"));
  CWinReg r(*backend_);
  ASSERT_TRUE(
      r.InitForRead(CWinReg::HKEY_CURRENT_USER,
                    std::string("Software\\VB and VBA Program Settings\\") + kApp + "\\Settings"));
  EXPECT_EQ(r.GetString("IgnoreList"), "thumbs.db");

  // A value of another type is not a setting.
  ASSERT_TRUE(r.InitForWrite(
      CWinReg::HKEY_CURRENT_USER,
      std::string("Software\\VB and VBA Program Settings\\") + kApp + "\\Settings", false));
  ASSERT_TRUE(r.SetNumber("Number", 3));
  EXPECT_FALSE(s.GetSetting(kApp, "Settings", "Number"));
}

}  // namespace
}  // namespace velmora
