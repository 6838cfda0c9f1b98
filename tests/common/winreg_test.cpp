// How CWinReg treats its backend: keys are never leaked, and neither a
// failing backend nor a missing one throws through.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "common/services.h"
#include "common/winreg.h"

namespace velmora {
namespace {

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

TEST(CWinRegBackend, OpeningAgainClosesThePreviousKeyAndDestructionTheLast) {
  ::testing::StrictMock<MockBackend> b;
  {
    InSequence order;
    EXPECT_CALL(b, Open(reg::kCurrentUser, std::string_view("A"), reg::kRead, false))
        .WillOnce(Return(7));
    EXPECT_CALL(b, Close(7)).WillOnce(Return(true));
    EXPECT_CALL(b, Open(reg::kCurrentUser, std::string_view("B"), reg::kAllAccess, true))
        .WillOnce(Return(8));
    EXPECT_CALL(b, Close(8)).WillOnce(Return(true));
  }
  CWinReg r(b);
  ASSERT_TRUE(r.InitForRead(reg::kCurrentUser, "A"));
  ASSERT_TRUE(r.InitForAllAccess(reg::kCurrentUser, "B", true));
}

TEST(CWinRegBackend, ABackendThatThrowsOrIsMissingCountsAsAFailure) {
  MockBackend b;
  EXPECT_CALL(b, Open(_, _, _, _)).WillOnce(Return(5));
  EXPECT_CALL(b, SetValue(_, _, _)).WillRepeatedly(Throw(std::runtime_error("boom")));
  EXPECT_CALL(b, GetValue(_, _)).WillRepeatedly(Throw(std::bad_alloc()));
  EXPECT_CALL(b, Close(5)).WillOnce(Throw(std::runtime_error("boom")));
  CWinReg r(b);
  ASSERT_TRUE(r.InitForWrite(reg::kCurrentUser, "K", true));
  EXPECT_FALSE(r.SetString("v", "x"));
  EXPECT_EQ(r.GetNumber("v"), 0);
  EXPECT_TRUE(r.Close());
  EXPECT_FALSE(r.IsOpen());

  ScopedServices none(Services{});  // no registry installed
  CWinReg missing;
  EXPECT_FALSE(missing.InitForWrite(reg::kCurrentUser, kSettingsKey, true));
  EXPECT_EQ(missing.GetString(kValueNextOccurence), "");
}

}  // namespace
}  // namespace velmora
