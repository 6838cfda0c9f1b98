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
const std::string kSection = std::string("Software\\VB and VBA Program Settings\\") + kApp;

class SettingsTest : public ::testing::Test {
 protected:
  // The real registry may keep what an earlier run left: cleaned before and after.
  SettingsTest() { Clean(); }
  ~SettingsTest() override { Clean(); }
  void Clean() {
    CWinReg r(*backend_);
    if (r.InitForAllAccess(CWinReg::HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings",
                           false))
      r.DeleteKeyRec(kApp);
  }
  std::unique_ptr<RegistryBackend> backend_ = test::MakeTestRegistryBackend();
  RegistrySettings s_{*backend_};
};

TEST_F(SettingsTest, AbsentIsNotEmptyAndNamesIgnoreCase) {
  EXPECT_FALSE(s_.GetSetting(kApp, "Settings", "IgnoreList"));  // no section yet
  ASSERT_TRUE(s_.SaveSetting(kApp, "Settings", "IgnoreSysHiden", "1"));
  EXPECT_FALSE(s_.GetSetting(kApp, "Settings", "IgnoreList"));  // section, no value
  ASSERT_TRUE(s_.SaveSetting(kApp, "Settings", "IgnoreList", ""));
  EXPECT_EQ(s_.GetSetting(kApp, "Settings", "IgnoreList"), "");
  EXPECT_TRUE(s_.DeleteSetting(kApp, "Settings", "IgnoreList"));
  EXPECT_FALSE(s_.GetSetting(kApp, "Settings", "IgnoreList"));
  EXPECT_FALSE(s_.DeleteSetting(kApp, "Settings", "IgnoreList"));
  EXPECT_EQ(s_.GetSetting(kApp, "settings", "ignoresyshiden"), "1");
  // Empty names would address the parent key: refused, nothing written there.
  EXPECT_FALSE(s_.SaveSetting("", "Settings", "Key", "x"));
  EXPECT_FALSE(s_.SaveSetting(kApp, "", "Key", "x"));
}

TEST_F(SettingsTest, LongTextsRoundTripWhole) {
  std::string text;
  for (int i = 0; i < 10000; ++i)
    text += i % 3 ? std::string(1, static_cast<char>('a' + i % 26)) : "€";
  ASSERT_TRUE(s_.SaveSetting(kApp, "Settings", "Long", text));
  EXPECT_EQ(s_.GetSetting(kApp, "Settings", "Long"), text);
  ASSERT_TRUE(s_.SaveSetting(kApp, "Settings", "Long", "short"));
  EXPECT_EQ(s_.GetSetting(kApp, "Settings", "Long"), "short");
}

TEST_F(SettingsTest, LivesWhereTheWindowsSettingsStatementsLookAndReadsTextOnly) {
  ASSERT_TRUE(s_.SaveSetting(kApp, "Settings", "IgnoreList", "thumbs.db"));
  CWinReg r(*backend_);
  ASSERT_TRUE(r.InitForWrite(CWinReg::HKEY_CURRENT_USER, kSection + "\\Settings", false));
  EXPECT_EQ(r.GetString("IgnoreList"), "thumbs.db");
  ASSERT_TRUE(r.SetNumber("Number", 3));
  EXPECT_FALSE(s_.GetSetting(kApp, "Settings", "Number"));  // a number is not a setting
  // An expandable string is text like any other, read as stored.
  const RegKey k =
      backend_->Open(CWinReg::HKEY_CURRENT_USER, kSection + "\\Settings", reg::kWrite, false);
  ASSERT_NE(k, 0u);
  ASSERT_TRUE(backend_->SetValue(k, "Expand", {RegType::kExpandString, "%TEMP%\\*.tmp"}));
  backend_->Close(k);
  EXPECT_EQ(s_.GetSetting(kApp, "Settings", "Expand"), "%TEMP%\\*.tmp");
}

}  // namespace
}  // namespace velmora
