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
  EXPECT_FALSE(s.GetSetting(kOtherApp, "Settings", "IgnoreSysHiden"));
  // Empty names would address the parent key: refused, nothing written there.
  EXPECT_FALSE(s.SaveSetting("", "Settings", "Key", "x"));
  EXPECT_FALSE(s.SaveSetting(kApp, "", "Key", "x"));
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
  // An expandable string is text like any other, read as stored.
  const RegKey k =
      backend_->Open(CWinReg::HKEY_CURRENT_USER,
                     std::string("Software\\VB and VBA Program Settings\\") + kApp + "\\Settings",
                     reg::kWrite, false);
  ASSERT_NE(k, 0u);
  ASSERT_TRUE(backend_->SetValue(k, "Expand", {RegType::kExpandString, "%TEMP%\\*.tmp"}));
  backend_->Close(k);
  EXPECT_EQ(s.GetSetting(kApp, "Settings", "Expand"), "%TEMP%\\*.tmp");
}

}  // namespace
}  // namespace velmora
