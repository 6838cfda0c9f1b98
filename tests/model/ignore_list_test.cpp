// The ignore list: its text handling, and how it is kept in the per-user
// settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addin/model/ignore_list.h"
#include "common/services.h"
#include "common/settings.h"
#include "platform/posix/registry_sqlite.h"

namespace velmora::test {
namespace {

using Names = std::vector<std::string>;

TEST(IgnoreListText, NamesAreTrimmedFoldedAndMatchedWholeIgnoringCase) {
  CIgnoreList l;
  l.FromString("a.txt, b.txt");
  l.FromString(" Thumbs.db ,desktop.ini,,THUMBS.DB, My File.txt");
  EXPECT_EQ(l.Names(), (Names{"thumbs.db", "desktop.ini", "my file.txt"}));
  EXPECT_EQ(l.ToString(), "thumbs.db, desktop.ini, my file.txt");
  EXPECT_TRUE(l.Find(" my file.TXT "));
  for (const char* other : {"thumbs", "*.db", "thumbs.db.bak", "", "myfile.txt"})
    EXPECT_FALSE(l.Find(other)) << other;

  // Every script, by simple case folding: one character for one.
  l.FromString("ÜBERSICHT.PDF, ΣΗΜΕΙΏΣΕΙΣ.txt, strasse.txt");
  EXPECT_TRUE(l.Find("σημειώσεις.TXT"));      // final sigma too
  EXPECT_FALSE(l.Find("übersicht.pdf\xC3"));  // bytes that are no UTF-8 stay themselves
  EXPECT_FALSE(l.Add("ÜberSicht.Pdf"));
  EXPECT_FALSE(l.Find("STRAẞE.txt")) << "simple folding keeps ß one letter, not ss";
  for (const char* empty : {"", " , ,, "}) {
    l.FromString(empty);
    EXPECT_TRUE(l.Names().empty()) << '"' << empty << '"';
  }
}

class IgnoreListSettings : public ::testing::Test {
 protected:
  IgnoreListSettings()
      : services_(Services{
            .registry = &registry_, .settings = &settings_, .logFolder = GetServices().logFolder}) {
  }

  void Store(std::string_view key, std::string_view value) {
    ASSERT_TRUE(settings_.SaveSetting("Velmora", "Settings", key, value));
  }

  posix::SqliteRegistry registry_{":memory:"};
  RegistrySettings settings_{registry_};
  ScopedServices services_;
};

// (Long values round trip whole: the settings' own tests.)
TEST_F(IgnoreListSettings, DefaultsThenWhatWasSaved) {
  CIgnoreList l;
  l.SetIgnoreSysHiden(false);
  l.Load();
  EXPECT_EQ(l.Names(), (Names{"thumbs.db"}));
  EXPECT_TRUE(l.IgnoreSysHiden());
  Store("IgnoreList", "");
  l.Load();
  EXPECT_TRUE(l.Names().empty()) << "a stored empty list stays empty";

  CIgnoreList saved;
  saved.FromString("thumbs.db, desktop.ini");
  saved.SetIgnoreSysHiden(false);
  saved.Save();
  EXPECT_EQ(settings_.GetSetting("Velmora", "Settings", "IgnoreSysHiden"), "0");
  CIgnoreList loaded;
  loaded.Load();
  EXPECT_EQ(loaded.Names(), saved.Names());
  EXPECT_FALSE(loaded.IgnoreSysHiden());
  // Only "1" means true.
  for (const char* text : {"1", "True", " 1", "", "11"}) {
    Store("IgnoreSysHiden", text);
    loaded.SetIgnoreSysHiden(std::string(text) != "1");
    loaded.Load();
    EXPECT_EQ(loaded.IgnoreSysHiden(), std::string(text) == "1") << "stored '" << text << "'";
  }
}

}  // namespace
}  // namespace velmora::test
