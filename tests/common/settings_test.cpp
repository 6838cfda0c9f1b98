// Per-user settings over each platform's registry backend: callers tell an
// absent setting from an empty one, and long texts (the ignore list) survive.
// How CWinReg treats its backend: keys are never leaked, and neither a
// failing backend nor a missing one throws through.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>

#include "common/services.h"
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

using ::testing::_;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::Throw;

class MockBackend : public RegistryBackend {
 public:
  MOCK_METHOD(RegKey, Open, (RegKey, std::string_view, std::uint32_t, bool), (override));
  MOCK_METHOD(bool, Close, (RegKey), (override));
  MOCK_METHOD(bool, SetValue, (RegKey, std::string_view, const RegValue&), (override));
  MOCK_METHOD(std::optional<RegValue>, GetValue, (RegKey, std::string_view), (override));
  MOCK_METHOD(bool, DeleteValue, (RegKey, std::string_view), (override));
  MOCK_METHOD(bool, DeleteSubKey, (RegKey, std::string_view), (override));
  MOCK_METHOD(std::optional<std::string>, EnumValue, (RegKey, std::uint32_t), (override));
  MOCK_METHOD(std::optional<std::string>, EnumKey, (RegKey, std::uint32_t), (override));
  MOCK_METHOD(bool, Flush, (RegKey), (override));
};

TEST(CWinRegBackend, KeysAreClosedWhenReopenedOrDestroyedAndNoFailureThrowsThrough) {
  ::testing::StrictMock<MockBackend> b;
  {
    InSequence order;
    EXPECT_CALL(b, Open(reg::kCurrentUser, std::string_view("A"), reg::kRead, false))
        .WillOnce(Return(7));
    EXPECT_CALL(b, Close(7)).WillOnce(Return(true));
    EXPECT_CALL(b, Open(reg::kCurrentUser, std::string_view("B"), reg::kAllAccess, true))
        .WillOnce(Return(8));
    EXPECT_CALL(b, SetValue(8, _, _)).WillOnce(Throw(std::runtime_error("boom")));
    EXPECT_CALL(b, GetValue(8, _)).WillOnce(Throw(std::bad_alloc()));
    EXPECT_CALL(b, Close(8)).WillOnce(Throw(std::runtime_error("boom")));
  }
  {
    CWinReg r(b);
    ASSERT_TRUE(r.InitForRead(reg::kCurrentUser, "A"));
    ASSERT_TRUE(r.InitForAllAccess(reg::kCurrentUser, "B", true));
    EXPECT_FALSE(r.SetString("v", "x"));
    EXPECT_EQ(r.GetNumber("v"), 0);
  }
  ScopedServices none(Services{});  // no registry installed
  CWinReg missing;
  EXPECT_FALSE(missing.InitForWrite(reg::kCurrentUser, kSettingsKey, true));
  EXPECT_EQ(missing.GetString(kValueNextOccurence), "");
}

}  // namespace
}  // namespace velmora
