// The Windows tests run the shared registry suite on the real registry, under
// a key of their own; the cases here check what only the real registry can
// show: that other readers and writers of the registry see the same values,
// and that our root constants are the real predefined keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/adapters/registry_keys.h"
#include "platform/win32/adapters/registry_win32.h"
#include "platform/win32/adapters/unicode.h"
#include "support/test_registry.h"

namespace velmora::test {

namespace {

std::wstring RootW() {
  return win32::Widen(TestRegistryRoot());
}

void WipeTestRoot() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, RootW().c_str());
}

// The run leaves nothing behind in the user's registry, whatever failed.
class RegistryCleanup : public testing::Environment {
 public:
  void TearDown() override {
    WipeTestRoot();
    // The parent goes too once no other run uses it.
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VelmoraTest");
  }
};
[[maybe_unused]] testing::Environment* const kCleanup =
    testing::AddGlobalTestEnvironment(new RegistryCleanup);

}  // namespace

std::unique_ptr<RegistryBackend> MakeTestRegistryBackend() {
  WipeTestRoot();
  return std::make_unique<win32::Win32Registry>();
}

const char* TestRegistryRoot() {
  static const std::string root =
      "Software\\VelmoraTest\\" + std::to_string(::GetCurrentProcessId());
  return root.c_str();
}

namespace {

using win32::UniqueHkey;
using Raw = std::pair<DWORD, std::vector<BYTE>>;

// A value as another program reads it: its type and its bytes.
Raw RawRead(HKEY key, const wchar_t* name) {
  Raw v{REG_NONE, std::vector<BYTE>(1024)};
  auto size = static_cast<DWORD>(v.second.size());
  ::RegQueryValueExW(key, name, nullptr, &v.first, v.second.data(), &size);
  v.second.resize(size);
  return v;
}

std::vector<BYTE> WideBytes(const std::wstring& s, bool terminator) {
  std::vector<BYTE> b((s.size() + (terminator ? 1 : 0)) * sizeof(wchar_t), 0);
  std::memcpy(b.data(), s.c_str(), b.size());
  return b;
}

class Win32RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    backend_ = MakeTestRegistryBackend();
    key_ = backend_->Open(reg::kCurrentUser, TestRegistryRoot(), reg::kAllAccess, true);
    ASSERT_NE(key_, 0u);
    // The same key through the raw API, the way another program opens it.
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, RootW().c_str(), 0, KEY_ALL_ACCESS, raw_.put()),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    if (key_) backend_->Close(key_);
  }

  std::unique_ptr<RegistryBackend> backend_;
  RegKey key_ = 0;
  UniqueHkey raw_;
};

TEST_F(Win32RegistryTest, ValuesReachOtherReadersBelowTheRealRootsAsTheirTypes) {
  // Two-byte, three-byte and four-byte (surrogate pair) characters.
  const std::string utf8 =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x82\xAC \xF0\x9F\x93\xA7 12/7/2026";
  ASSERT_TRUE(backend_->SetValue(key_, "NextOccurence", {RegType::kString, utf8}));
  EXPECT_EQ(RawRead(raw_.get(), L"NextOccurence"),
            Raw(REG_SZ, WideBytes(L"Gr\u00FC\u00DFe \u20AC \U0001F4E7 12/7/2026", true)));
  ASSERT_TRUE(backend_->SetValue(key_, "Number", {RegType::kDword, "", 0x12345678u}));
  EXPECT_EQ(RawRead(raw_.get(), L"Number"), Raw(REG_DWORD, {0x78, 0x56, 0x34, 0x12}));

  // The sign-extended handle value another caller may pass names the same root.
  const auto realHkcu = reinterpret_cast<RegKey>(HKEY_CURRENT_USER);
  const RegKey viaReal = backend_->Open(realHkcu, TestRegistryRoot(), reg::kRead, false);
  ASSERT_NE(viaReal, 0u);
  EXPECT_EQ(backend_->GetValue(viaReal, "NextOccurence")->text, utf8);
  backend_->Close(viaReal);
}

TEST_F(Win32RegistryTest, ReadsWhatOtherWritersStored) {
  const auto set = [&](const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes) {
    ASSERT_EQ(
        ::RegSetValueExW(raw_.get(), name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
        ERROR_SUCCESS);
  };
  set(L"Folder", REG_EXPAND_SZ, WideBytes(L"%USERPROFILE%\\Mail\u00E9", true));
  auto v = backend_->GetValue(key_, "Folder");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->type, RegType::kExpandString);
  // Read as stored: expanding is the caller's business.
  EXPECT_EQ(v->text, "%USERPROFILE%\\Mail\xC3\xA9");

  // A writer that left out the terminator loses no character.
  set(L"Bare", REG_SZ, WideBytes(L"SendAndExit=1", false));
  EXPECT_EQ(backend_->GetValue(key_, "Bare").value_or(RegValue{}).text, "SendAndExit=1");

  set(L"Count", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF});
  v = backend_->GetValue(key_, "Count");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->type, RegType::kDword);
  EXPECT_EQ(v->number, 0xFFFFFFFEu);
}

TEST_F(Win32RegistryTest, RefusesWhatWouldHitTheWrongKey) {
  const RegKey child = backend_->Open(key_, "Child", reg::kAllAccess, true);
  ASSERT_NE(child, 0u);
  // An empty name would delete the open key itself.
  EXPECT_FALSE(backend_->DeleteSubKey(child, ""));
  EXPECT_TRUE(backend_->Close(child));

  // A NUL inside a name would silently address a shorter name.
  EXPECT_EQ(backend_->Open(key_, std::string("Child\0Evil", 10), reg::kRead, true), 0u);
  EXPECT_FALSE(backend_->SetValue(key_, std::string("A\0B", 3), {RegType::kString, "x"}));
  EXPECT_FALSE(backend_->GetValue(key_, std::string("A\0B", 3)).has_value());
  EXPECT_FALSE(backend_->EnumValue(key_, 0).has_value());
  EXPECT_FALSE(backend_->DeleteSubKey(key_, std::string("Child\0x", 7)));
  EXPECT_EQ(backend_->EnumKey(key_, 0), "Child");
  EXPECT_TRUE(backend_->DeleteSubKey(key_, "Child"));
}

}  // namespace
}  // namespace velmora::test
