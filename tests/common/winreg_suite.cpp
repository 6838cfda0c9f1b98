// Registry access as both deliverables rely on it, run unchanged on every
// platform's registry backend (the SQLite registry on Linux, the real
// registry under Wine). Every case works below TestRegistryRoot() only.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/winreg.h"
#include "support/test_registry.h"

namespace velmora {
namespace {

using test::TestRegistryRoot;
constexpr RegKey kHkcu = CWinReg::HKEY_CURRENT_USER;

std::string Repeat(const std::string& piece, int n) {
  std::string s;
  while (n-- > 0)
    s += piece;
  return s;
}

class WinRegSuite : public ::testing::Test {
 protected:
  WinRegSuite() { Clean(); }
  ~WinRegSuite() override { Clean(); }
  void Clean() {
    CWinReg top(*backend_);
    if (top.InitForAllAccess(kHkcu, "", false)) top.DeleteKeyRec(TestRegistryRoot());
  }
  static std::string P(const std::string& sub = "") {
    return sub.empty() ? TestRegistryRoot() : std::string(TestRegistryRoot()) + "\\" + sub;
  }
  CWinReg Reg() { return CWinReg(*backend_); }
  bool Exists(const std::string& sub) { return Reg().InitForRead(kHkcu, P(sub)); }
  // Writes a value of a type CWinReg does not write.
  void RawSet(const std::string& sub, const std::string& name, RegType type,
              const std::string& text) {
    const RegKey k = backend_->Open(kHkcu, P(sub), reg::kWrite, true);
    ASSERT_NE(k, 0u);
    EXPECT_TRUE(backend_->SetValue(k, name, {type, text}));
    backend_->Close(k);
  }

  std::unique_ptr<RegistryBackend> backend_ = test::MakeTestRegistryBackend();
};

TEST_F(WinRegSuite, OpeningCreatesOnlyWhenAskedAndAReadHandleCannotWrite) {
  CWinReg r = Reg();
  EXPECT_FALSE(r.InitForRead(kHkcu, P("Missing")));
  EXPECT_FALSE(r.InitForWrite(kHkcu, P("Missing"), false));
  EXPECT_FALSE(Exists("Missing"));
  // Without an open key everything fails quietly.
  EXPECT_FALSE(r.SetString("v", "x"));
  EXPECT_EQ(r.GetString("v"), "");
  EXPECT_FALSE(r.DeleteKeyRec("Missing"));

  ASSERT_TRUE(r.InitForWrite(kHkcu, P("A\\B"), true));
  ASSERT_TRUE(r.SetString("v", "old"));
  EXPECT_TRUE(Exists("A"));
  ASSERT_TRUE(r.InitForRead(kHkcu, P("A\\B")));
  EXPECT_FALSE(r.SetString("v", "new"));
  EXPECT_FALSE(r.SetNumber("n", 1));
  EXPECT_FALSE(r.DeleteValue("v"));
  EXPECT_EQ(r.GetString("v"), "old");
  EXPECT_TRUE(r.Close());
  EXPECT_FALSE(r.SetString("v", "closed"));

  // A key goes with all its descendants, however many siblings each level has.
  for (const char* sub : {"A\\C", "A\\D\\E", "A\\F"})
    ASSERT_TRUE(r.InitForWrite(kHkcu, P(sub), true));
  ASSERT_TRUE(r.InitForAllAccess(kHkcu, P(), false));
  EXPECT_TRUE(r.DeleteKeyRec("A"));
  EXPECT_FALSE(Exists("A"));
  EXPECT_TRUE(Exists(""));
}

TEST_F(WinRegSuite, StringsReadBackUpTo255CharactersAndOnlyTextTypes) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("S"), true));
  for (const std::string& text :
       {std::string(), std::string("Grüße €"), Repeat("a", 255), Repeat("€", 255)}) {
    ASSERT_TRUE(r.SetString("v", text));
    EXPECT_EQ(r.GetString("v"), text);
  }
  // Counted in characters, not bytes; a longer value is stored all the same.
  ASSERT_TRUE(r.SetString("long", Repeat("a", 256)));
  EXPECT_EQ(r.GetString("long"), "");
  EXPECT_TRUE(r.DeleteValue("long"));
  RawSet("S", "expand", RegType::kExpandString, "%TEMP%\\x");
  RawSet("S", "binary", RegType::kBinary, "abc");
  EXPECT_EQ(r.GetString("expand"), "%TEMP%\\x");  // read as stored, not expanded
  EXPECT_EQ(r.GetString("binary"), "");
  for (const std::int32_t n : {-5, INT32_MAX, INT32_MIN}) {
    ASSERT_TRUE(r.SetNumber("n", n));
    EXPECT_EQ(r.GetNumber("n"), n);
  }
  EXPECT_EQ(r.GetString("n"), "");
  EXPECT_EQ(r.GetNumber("v"), 0);
}

TEST_F(WinRegSuite, NamesIgnoreCaseKeepTheirFirstSpellingAndMayBeUtf8) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("Grüße\\MixedCase"), true));
  ASSERT_TRUE(r.SetString("NextOccurence", "a"));
  ASSERT_TRUE(r.SetString("NEXTOCCURENCE", "b"));
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("Grüße\\mixedcase"), true));
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("Grüße\\MIXEDCASE"), false));
  EXPECT_EQ(r.GetString("nextoccurence"), "b");
  EXPECT_EQ(r.Values(0), "NextOccurence");
  EXPECT_EQ(r.Values(1), "");
  EXPECT_TRUE(r.DeleteValue("nextOccurence"));
  EXPECT_FALSE(r.DeleteValue("NextOccurence"));
}

}  // namespace
}  // namespace velmora
