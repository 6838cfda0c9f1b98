// The Windows tests run the shared registry suite on the real registry, under
// a key of their own; the cases here check what only the real registry can
// show: that other readers and writers of the registry see the same values,
// and that our root constants are the real predefined keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
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
using win32::Win32Registry;

// Opens the test root with the raw API, the way another program would.
UniqueHkey RawKey() {
  UniqueHkey key;
  EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, RootW().c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  return key;
}

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

RawValue RawRead(HKEY key, const wchar_t* name) {
  RawValue v;
  DWORD size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS) return {};
  v.bytes.resize(size);
  ::RegQueryValueExW(key, name, nullptr, &v.type, v.bytes.data(), &size);
  v.bytes.resize(size);
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
    raw_ = RawKey();
  }
  void TearDown() override {
    if (key_) backend_->Close(key_);
  }

  std::unique_ptr<RegistryBackend> backend_;
  RegKey key_ = 0;
  UniqueHkey raw_;
};

RegValue Text(std::string s, RegType type = RegType::kString) {
  RegValue v;
  v.type = type;
  v.text = std::move(s);
  return v;
}

TEST_F(Win32RegistryTest, StringsReachOtherReadersWithTheirTerminator) {
  // Two-byte, three-byte and four-byte (surrogate pair) characters.
  const std::string utf8 =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x82\xAC \xF0\x9F\x93\xA7 12/7/2026";
  ASSERT_TRUE(backend_->SetValue(key_, "NextOccurence", Text(utf8)));
  const RawValue raw = RawRead(raw_.get(), L"NextOccurence");
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw.bytes, WideBytes(L"Gr\u00FC\u00DFe \u20AC \U0001F4E7 12/7/2026", true));
  EXPECT_EQ(backend_->GetValue(key_, "NextOccurence")->text, utf8);

  ASSERT_TRUE(backend_->SetValue(key_, "Empty", Text("")));
  EXPECT_EQ(RawRead(raw_.get(), L"Empty").bytes, WideBytes(L"", true));
}

TEST_F(Win32RegistryTest, ReadsWhatOtherWritersStored) {
  const std::wstring path = L"%USERPROFILE%\\Mail\u00E9";
  const auto expand = WideBytes(path, true);
  ASSERT_EQ(::RegSetValueExW(raw_.get(), L"Folder", 0, REG_EXPAND_SZ, expand.data(),
                             static_cast<DWORD>(expand.size())),
            ERROR_SUCCESS);
  auto v = backend_->GetValue(key_, "Folder");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->type, RegType::kExpandString);
  // Read as stored: expanding is the caller's business.
  EXPECT_EQ(v->text, "%USERPROFILE%\\Mail\xC3\xA9");

  // A writer that left out the terminator loses no character.
  const auto bare = WideBytes(L"SendAndExit=1", false);
  ASSERT_EQ(::RegSetValueExW(raw_.get(), L"Bare", 0, REG_SZ, bare.data(),
                             static_cast<DWORD>(bare.size())),
            ERROR_SUCCESS);
  v = backend_->GetValue(key_, "Bare");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->text, "SendAndExit=1");

  const DWORD n = 0xFFFFFFFEu;
  ASSERT_EQ(::RegSetValueExW(raw_.get(), L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n),
                             sizeof n),
            ERROR_SUCCESS);
  v = backend_->GetValue(key_, "Count");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->type, RegType::kDword);
  EXPECT_EQ(v->number, 0xFFFFFFFEu);
}

TEST_F(Win32RegistryTest, NumbersReachOtherReadersAsDwords) {
  RegValue number;
  number.type = RegType::kDword;
  number.number = 0x12345678u;
  ASSERT_TRUE(backend_->SetValue(key_, "Number", number));
  const RawValue raw = RawRead(raw_.get(), L"Number");
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
  ASSERT_EQ(raw.bytes.size(), 4u);
  DWORD n = 0;
  std::memcpy(&n, raw.bytes.data(), 4);
  EXPECT_EQ(n, 0x12345678u);
}

TEST_F(Win32RegistryTest, RootConstantsAreTheRealPredefinedKeys) {
  // Written below our HKEY_CURRENT_USER constant, found below the real one.
  const RegKey sub = backend_->Open(reg::kCurrentUser, std::string(TestRegistryRoot()) + "\\Roots",
                                    reg::kWrite, true);
  ASSERT_NE(sub, 0u);
  ASSERT_TRUE(backend_->SetValue(sub, "Where", Text("HKCU")));
  EXPECT_TRUE(backend_->Close(sub));
  UniqueHkey check;
  ASSERT_EQ(
      ::RegOpenKeyExW(HKEY_CURRENT_USER, (RootW() + L"\\Roots").c_str(), 0, KEY_READ, check.put()),
      ERROR_SUCCESS);
  EXPECT_EQ(RawRead(check.get(), L"Where").bytes, WideBytes(L"HKCU", true));

  // The sign-extended handle value names the same root as our constant.
  const auto realHkcu = reinterpret_cast<RegKey>(HKEY_CURRENT_USER);
  EXPECT_EQ(win32::ToHkey(realHkcu), HKEY_CURRENT_USER);
  EXPECT_EQ(win32::ToHkey(reg::kCurrentUser), HKEY_CURRENT_USER);
  EXPECT_EQ(win32::ToHkey(reg::kLocalMachine), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(win32::ToHkey(reg::kClassesRoot), HKEY_CLASSES_ROOT);
  const RegKey viaReal =
      backend_->Open(realHkcu, std::string(TestRegistryRoot()) + "\\Roots", reg::kRead, false);
  ASSERT_NE(viaReal, 0u);
  EXPECT_EQ(backend_->GetValue(viaReal, "Where")->text, "HKCU");
  backend_->Close(viaReal);
}

TEST_F(Win32RegistryTest, RefusesWhatWouldHitTheWrongKey) {
  const RegKey child = backend_->Open(key_, "Child", reg::kAllAccess, true);
  ASSERT_NE(child, 0u);
  const RegKey grandChild = backend_->Open(child, "Grand", reg::kAllAccess, true);
  ASSERT_NE(grandChild, 0u);
  backend_->Close(grandChild);

  // An empty name would delete the open key itself.
  EXPECT_FALSE(backend_->DeleteSubKey(child, ""));
  // Only empty subkeys go.
  EXPECT_FALSE(backend_->DeleteSubKey(key_, "Child"));
  const RegKey stillThere = backend_->Open(key_, "Child\\Grand", reg::kRead, false);
  EXPECT_NE(stillThere, 0u);
  backend_->Close(stillThere);

  // A NUL inside a name would silently address a shorter name.
  EXPECT_EQ(backend_->Open(key_, std::string("Child\0Evil", 10), reg::kRead, true), 0u);
  EXPECT_FALSE(backend_->SetValue(key_, std::string("A\0B", 3), Text("x")));
  EXPECT_FALSE(backend_->GetValue(key_, std::string("A\0B", 3)).has_value());
  EXPECT_FALSE(backend_->EnumValue(key_, 0).has_value());

  EXPECT_TRUE(backend_->DeleteSubKey(child, "Grand"));
  EXPECT_TRUE(backend_->Close(child));
  EXPECT_FALSE(backend_->DeleteSubKey(key_, std::string("Child\0x", 7)));
  EXPECT_EQ(backend_->EnumKey(key_, 0), "Child");
  EXPECT_TRUE(backend_->DeleteSubKey(key_, "Child"));
  EXPECT_FALSE(backend_->EnumKey(key_, 0).has_value());
}

}  // namespace
}  // namespace velmora::test
