// Registry access as both deliverables rely on it, run unchanged on every
// platform's registry backend (the SQLite registry on Linux, the real
// registry under Wine). Every case works below TestRegistryRoot() only.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "common/winreg.h"
#include "support/test_registry.h"

namespace velmora {
namespace {

using test::MakeTestRegistryBackend;
using test::TestRegistryRoot;
constexpr RegKey kHkcu = CWinReg::HKEY_CURRENT_USER;

std::string Repeat(const std::string& piece, int n) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += piece;
  return s;
}

class WinRegSuite : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_ = MakeTestRegistryBackend();
    ASSERT_TRUE(backend_);
    Clean();
  }
  void TearDown() override {
    if (backend_) Clean();
  }
  void Clean() {
    CWinReg top(*backend_);
    if (top.InitForAllAccess(kHkcu, "", false)) top.DeleteKeyRec(TestRegistryRoot());
  }

  static std::string P(const std::string& sub = "") {
    return sub.empty() ? TestRegistryRoot() : std::string(TestRegistryRoot()) + "\\" + sub;
  }
  CWinReg Reg() { return CWinReg(*backend_); }
  bool Exists(const std::string& sub) {
    CWinReg r(*backend_);
    return r.InitForRead(kHkcu, P(sub));
  }
  // Writes a value of any type, past what CWinReg offers.
  void RawSet(const std::string& sub, const std::string& name, RegType type,
              const std::string& text, std::uint32_t number = 0) {
    const RegKey k = backend_->Open(kHkcu, P(sub), reg::kWrite, true);
    ASSERT_NE(k, 0u);
    RegValue v;
    v.type = type;
    v.text = text;
    v.number = number;
    EXPECT_TRUE(backend_->SetValue(k, name, v));
    backend_->Close(k);
  }
  std::set<std::string> AllKeys(const std::string& sub) {
    CWinReg r(*backend_);
    std::set<std::string> names;
    if (!r.InitForRead(kHkcu, P(sub))) return names;
    for (std::uint32_t i = 0; !r.Keys(i).empty(); ++i)
      names.insert(r.Keys(i));
    return names;
  }

  std::unique_ptr<RegistryBackend> backend_;
};

TEST_F(WinRegSuite, OpeningForReadNeverCreates) {
  CWinReg r = Reg();
  EXPECT_FALSE(r.InitForRead(kHkcu, P("Missing")));
  EXPECT_FALSE(r.IsOpen());
  EXPECT_FALSE(Exists("Missing"));
  EXPECT_FALSE(r.InitForWrite(kHkcu, P("Missing"), false));
  EXPECT_FALSE(r.InitForAllAccess(kHkcu, P("Missing"), false));
  EXPECT_FALSE(Exists("Missing"));
}

TEST_F(WinRegSuite, OpeningForWriteCreatesTheWholePathOnlyWhenAsked) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("A\\B\\C"), true));
  EXPECT_TRUE(r.SetString("v", "1"));
  EXPECT_TRUE(Exists("A\\B"));
  EXPECT_TRUE(Exists("A\\B\\C"));
  // Opening again with the create flag finds the same key.
  ASSERT_TRUE(r.InitForAllAccess(kHkcu, P("A\\B\\C"), true));
  EXPECT_EQ(r.GetString("v"), "1");
}

TEST_F(WinRegSuite, AReadHandleCannotWriteOrDelete) {
  ASSERT_TRUE(Reg().InitForWrite(kHkcu, P("K"), true));
  {
    CWinReg w = Reg();
    ASSERT_TRUE(w.InitForWrite(kHkcu, P("K"), false));
    ASSERT_TRUE(w.SetString("v", "old"));
  }
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForRead(kHkcu, P("K")));
  EXPECT_FALSE(r.SetString("v", "new"));
  EXPECT_FALSE(r.SetNumber("n", 1));
  EXPECT_FALSE(r.SetFlag("f", true));
  EXPECT_FALSE(r.DeleteValue("v"));
  EXPECT_EQ(r.GetString("v"), "old");
  EXPECT_EQ(r.Values(1), "");
}

TEST_F(WinRegSuite, StringsRoundTripIncludingEmptyAndUtf8) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("S"), true));
  for (const std::string text : {"", "plain", "Grüße €", "tab\tand spaces  "}) {
    ASSERT_TRUE(r.SetString("v", text));
    EXPECT_EQ(r.GetString("v"), text);
  }
  EXPECT_EQ(r.GetString("missing"), "");
}

TEST_F(WinRegSuite, ReadingStopsAt255Characters) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("S"), true));
  const std::string a255 = Repeat("a", 255);
  const std::string euro255 = Repeat("€", 255);  // counted in characters, not bytes
  ASSERT_TRUE(r.SetString("a255", a255));
  ASSERT_TRUE(r.SetString("a256", a255 + "a"));
  ASSERT_TRUE(r.SetString("e255", euro255));
  ASSERT_TRUE(r.SetString("e256", euro255 + "€"));
  EXPECT_EQ(r.GetString("a255"), a255);
  EXPECT_EQ(r.GetString("a256"), "");
  EXPECT_EQ(r.GetString("e255"), euro255);
  EXPECT_EQ(r.GetString("e256"), "");
  // The long value is stored all the same.
  EXPECT_TRUE(r.DeleteValue("a256"));
}

TEST_F(WinRegSuite, ValueTypesDecideWhatReadsBack) {
  RawSet("T", "expand", RegType::kExpandString, "%TEMP%\\x");
  RawSet("T", "binary", RegType::kBinary, "abc");
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("T"), false));
  EXPECT_EQ(r.GetString("expand"), "%TEMP%\\x");  // read as stored, not expanded
  EXPECT_EQ(r.GetString("binary"), "");
  EXPECT_EQ(r.GetNumber("binary"), 0);

  for (const std::int32_t n : {0, 42, -5, INT32_MAX, INT32_MIN}) {
    ASSERT_TRUE(r.SetNumber("n", n));
    EXPECT_EQ(r.GetNumber("n"), n);
  }
  EXPECT_EQ(r.GetString("n"), "");
  ASSERT_TRUE(r.SetString("text", "42"));
  EXPECT_EQ(r.GetNumber("text"), 0);
  EXPECT_EQ(r.GetNumber("missing"), 0);
}

TEST_F(WinRegSuite, FlagsAreYesOrNoInAnyCase) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("F"), true));
  ASSERT_TRUE(r.SetFlag("f", true));
  EXPECT_EQ(r.GetString("f"), "yes");
  EXPECT_TRUE(r.GetFlag("f"));
  ASSERT_TRUE(r.SetFlag("f", false));
  EXPECT_EQ(r.GetString("f"), "no");
  EXPECT_FALSE(r.GetFlag("f"));
  for (const char* yes : {"yes", "YES", "Yes", "yEs"}) {
    ASSERT_TRUE(r.SetString("f", yes));
    EXPECT_TRUE(r.GetFlag("f")) << yes;
  }
  for (const char* no : {"1", "true", "y", "yes ", " yes", ""}) {
    ASSERT_TRUE(r.SetString("f", no));
    EXPECT_FALSE(r.GetFlag("f")) << no;
  }
  ASSERT_TRUE(r.SetNumber("n", 1));
  EXPECT_FALSE(r.GetFlag("n"));
  EXPECT_FALSE(r.GetFlag("missing"));
}

TEST_F(WinRegSuite, ValueNamesIgnoreCaseAndDeleteOnce) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("V"), true));
  ASSERT_TRUE(r.SetString("NextOccurence", "a"));
  ASSERT_TRUE(r.SetString("NEXTOCCURENCE", "b"));
  EXPECT_EQ(r.GetString("nextoccurence"), "b");
  EXPECT_EQ(r.Values(0), "NextOccurence");  // one value, first spelling kept
  EXPECT_EQ(r.Values(1), "");
  EXPECT_TRUE(r.DeleteValue("nextOccurence"));
  EXPECT_EQ(r.GetString("NextOccurence"), "");
  EXPECT_FALSE(r.DeleteValue("NextOccurence"));
  EXPECT_FALSE(r.DeleteValue("never"));
}

TEST_F(WinRegSuite, KeyNamesIgnoreCaseAndKeepTheirFirstSpelling) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("Outer\\MixedCase"), true));
  ASSERT_TRUE(r.SetString("v", "x"));
  ASSERT_TRUE(r.InitForRead(kHkcu, P("OUTER\\mixedcase")));
  EXPECT_EQ(r.GetString("v"), "x");
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("outer\\MIXEDCASE"), true));
  EXPECT_EQ(AllKeys("Outer"), std::set<std::string>{"MixedCase"});
}

TEST_F(WinRegSuite, Utf8KeyAndValueNamesRoundTrip) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("Grüße €"), true));
  ASSERT_TRUE(r.SetString("Größe", "groß"));
  EXPECT_EQ(AllKeys(""), std::set<std::string>{"Grüße €"});
  ASSERT_TRUE(r.InitForRead(kHkcu, P("Grüße €")));
  EXPECT_EQ(r.Values(0), "Größe");
  EXPECT_EQ(r.GetString("Größe"), "groß");
}

TEST_F(WinRegSuite, EnumerationReachesEveryNameThenEmptyText) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("E"), true));
  for (const char* v : {"one", "two", "three"})
    ASSERT_TRUE(r.SetString(v, "x"));
  for (const char* k : {"E\\k1", "E\\k2", "E\\k3\\deeper"})
    ASSERT_TRUE(Reg().InitForWrite(kHkcu, P(k), true));

  ASSERT_TRUE(r.InitForRead(kHkcu, P("E")));
  std::set<std::string> values;
  for (std::uint32_t i = 0; i < 3; ++i)
    values.insert(r.Values(i));
  EXPECT_EQ(values, (std::set<std::string>{"one", "two", "three"}));
  EXPECT_EQ(r.Values(3), "");
  EXPECT_EQ(r.Values(1000), "");
  EXPECT_EQ(AllKeys("E"), (std::set<std::string>{"k1", "k2", "k3"}));  // direct subkeys only
  EXPECT_EQ(r.Keys(3), "");
  EXPECT_EQ(r.Keys(1000), "");
}

TEST_F(WinRegSuite, DeleteSubKeyRemovesOnlyAKeyWithoutSubkeys) {
  ASSERT_TRUE(Reg().InitForWrite(kHkcu, P("D\\full\\child"), true));
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("D\\full"), false));
  ASSERT_TRUE(r.SetString("value", "goes with the key"));
  ASSERT_TRUE(r.InitForAllAccess(kHkcu, P("D"), false));
  EXPECT_FALSE(r.DeleteSubKey("full"));
  EXPECT_TRUE(Exists("D\\full\\child"));
  EXPECT_FALSE(r.DeleteSubKey("missing"));

  ASSERT_TRUE(r.InitForAllAccess(kHkcu, P("D\\full"), false));
  EXPECT_TRUE(r.DeleteSubKey("child"));
  ASSERT_TRUE(r.InitForAllAccess(kHkcu, P("D"), false));
  EXPECT_TRUE(r.DeleteSubKey("full"));  // values do not hold a key back
  EXPECT_FALSE(Exists("D\\full"));
  EXPECT_TRUE(Exists("D"));
}

TEST_F(WinRegSuite, DeleteAllKeysEmptiesATreeButKeepsTheKeyAndItsValues) {
  for (const char* k : {"Tree\\a\\b\\c", "Tree\\a\\d", "Tree\\e", "Tree\\f\\g\\h\\i"})
    ASSERT_TRUE(Reg().InitForWrite(kHkcu, P(k), true));
  RawSet("Tree\\a\\b", "deep", RegType::kString, "x");
  RawSet("Tree", "own", RegType::kString, "kept");

  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForAllAccess(kHkcu, P("Tree"), false));
  r.DeleteAllKeys();
  EXPECT_EQ(r.Keys(0), "");
  EXPECT_FALSE(Exists("Tree\\a"));
  EXPECT_EQ(r.GetString("own"), "kept");
  r.DeleteAllKeys();  // nothing left to delete
  EXPECT_TRUE(Exists("Tree"));
}

TEST_F(WinRegSuite, DeleteKeyRecRemovesOneSubtreeAndNothingElse) {
  for (const char* k : {"R\\gone\\x\\y", "R\\gone\\z", "R\\stays\\w", "R\\gonetoo"})
    ASSERT_TRUE(Reg().InitForWrite(kHkcu, P(k), true));
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForAllAccess(kHkcu, P("R"), false));
  EXPECT_TRUE(r.DeleteKeyRec("gone"));
  EXPECT_FALSE(Exists("R\\gone"));
  EXPECT_EQ(AllKeys("R"), (std::set<std::string>{"gonetoo", "stays"}));
  EXPECT_TRUE(Exists("R\\stays\\w"));

  EXPECT_FALSE(r.DeleteKeyRec("missing"));
  EXPECT_FALSE(r.DeleteKeyRec(""));
  EXPECT_EQ(AllKeys("R"), (std::set<std::string>{"gonetoo", "stays"}));
  EXPECT_TRUE(Exists("R\\stays\\w"));
}

TEST_F(WinRegSuite, WithoutAnOpenKeyEverythingFailsQuietly) {
  CWinReg r = Reg();
  ASSERT_TRUE(Reg().InitForWrite(kHkcu, P("N\\sub"), true));
  EXPECT_FALSE(r.InitForRead(kHkcu, P("Missing")));  // a failed open leaves none
  EXPECT_FALSE(r.SetString("v", "x"));
  EXPECT_EQ(r.GetString("v"), "");
  EXPECT_FALSE(r.SetNumber("n", 1));
  EXPECT_EQ(r.GetNumber("n"), 0);
  EXPECT_FALSE(r.SetFlag("f", true));
  EXPECT_FALSE(r.GetFlag("f"));
  EXPECT_FALSE(r.DeleteValue("v"));
  EXPECT_FALSE(r.DeleteSubKey("sub"));
  EXPECT_FALSE(r.Flush());
  EXPECT_EQ(r.Values(0), "");
  EXPECT_EQ(r.Keys(0), "");
  r.DeleteAllKeys();
  EXPECT_FALSE(r.DeleteKeyRec("N"));
  EXPECT_TRUE(r.Close());
  EXPECT_TRUE(Exists("N\\sub"));
}

TEST_F(WinRegSuite, OpeningAgainMovesToTheNewKeyAndCloseEndsWriting) {
  CWinReg r = Reg();
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("First"), true));
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("Second"), true));
  ASSERT_TRUE(r.SetString("v", "2"));
  EXPECT_TRUE(r.Flush());
  ASSERT_TRUE(r.InitForRead(kHkcu, P("First")));
  EXPECT_EQ(r.GetString("v"), "");
  ASSERT_TRUE(r.InitForWrite(kHkcu, P("Second"), false));
  EXPECT_EQ(r.GetString("v"), "2");
  EXPECT_TRUE(r.Close());
  EXPECT_FALSE(r.IsOpen());
  EXPECT_FALSE(r.SetString("v", "3"));
  EXPECT_TRUE(r.Close());
}

}  // namespace
}  // namespace velmora
