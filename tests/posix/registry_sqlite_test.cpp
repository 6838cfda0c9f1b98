// What the SQLite registry adds to the shared suite: a private file that
// persists, sharing between processes, damaged files, and the name limits
// and case folding the Windows registry has.
// The regional settings of the standalone host, kept as Windows keeps them:
// United States values where nothing is stored, stored values where they are
// usable, and a refusal (not a silent write) for settings whose dates would
// not read back — every stored schedule depends on reading them back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <string>

#include "common/host_error.h"
#include "common/winreg.h"
#include "platform/posix/live_regional_locale.h"
#include "platform/posix/regional_settings.h"
#include "platform/posix/registry_fold.h"
#include "platform/posix/registry_sqlite.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

constexpr RegKey kHkcu = reg::kCurrentUser;
constexpr const char* kKey = "Software\\Norvane\\Velmora";

unsigned Mode(const std::filesystem::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777u : 0u;
}

TEST(SqliteRegistryFile, PersistsInAPrivateFileAndADamagedOneFailsCleanlyAndIsLeftAlone) {
  test::TempDir dir("reg");
  const auto path = dir.Path() / "config" / "registry.db";
  {
    SqliteRegistry db(path);
    CWinReg r(db);
    ASSERT_TRUE(r.InitForWrite(kHkcu, kKey, true));
    ASSERT_TRUE(r.SetString(kValueNextOccurence, "12/7/2026 9:00:00 AM"));
    EXPECT_EQ(Mode(path.parent_path()), 0700u);
    for (const char* side : {"", "-wal", "-shm"})
      EXPECT_EQ(Mode(path.string() + side) | 0600u, 0600u) << side;  // absent or private
  }
  ::chmod(path.c_str(), 0644);  // reopened, a file someone opened up is private again
  SqliteRegistry again(path);
  EXPECT_EQ(Mode(path), 0600u);
  CWinReg r(again);
  ASSERT_TRUE(r.InitForRead(kHkcu, kKey));
  EXPECT_EQ(r.GetString(kValueNextOccurence), "12/7/2026 9:00:00 AM");

  const auto junk = dir.Path() / "junk.db";
  std::ofstream(junk, std::ios::binary) << std::string(5000, 'J');
  SqliteRegistry damaged(junk);
  EXPECT_FALSE(CWinReg(damaged).InitForWrite(kHkcu, kKey, true));
  std::ifstream in(junk, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(5000, 'J'));
  EXPECT_FALSE(SqliteRegistry(dir.Path()).Ok());  // a folder where the file should be
}

TEST(SqliteRegistryFile, TwoProcessesWritingAtOnceLoseNothing) {
  test::TempDir dir("reg");
  const auto path = dir.Path() / "registry.db";
  constexpr int kWrites = 150;
  const auto key = [](int i) { return std::string(kKey) + "\\" + std::to_string(i % 7); };
  auto writer = [&](const std::string& prefix) {
    SqliteRegistry db(path);
    CWinReg r(db);
    int failures = 0;
    // Each round opens with create, so both processes also race on making keys.
    for (int i = 0; i < kWrites; ++i)
      failures += !r.InitForWrite(kHkcu, key(i), true) ||
                  !r.SetString(prefix + std::to_string(i), std::to_string(i));
    return failures;
  };
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(writer("child") == 0 ? 0 : 1);
  EXPECT_EQ(writer("parent"), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  SqliteRegistry db(path);
  CWinReg r(db);
  for (int i = 0; i < kWrites; ++i) {
    ASSERT_TRUE(r.InitForRead(kHkcu, key(i)));
    EXPECT_EQ(r.GetString("child" + std::to_string(i)), std::to_string(i));
    EXPECT_EQ(r.GetString("parent" + std::to_string(i)), std::to_string(i));
  }
  ASSERT_TRUE(r.InitForRead(kHkcu, kKey));
  EXPECT_EQ(r.Keys(7), "");  // seven keys, none made twice
}

TEST(SqliteRegistryNames, FoldingAndLimitsAsOnWindows) {
  EXPECT_EQ(FoldRegistryName("grüße àÿ привет αβω"), "GRÜßE Àÿ ПРИВЕТ ΑΒΩ");
  EXPECT_EQ(FoldRegistryName("÷"), "÷");        // its neighbour below is ×, not its capital
  EXPECT_EQ(FoldRegistryName("\xC3"), "\xC3");  // a cut sequence stays as it is

  SqliteRegistry db(":memory:");
  EXPECT_EQ(db.Open(kHkcu, "\\Software", reg::kAllAccess, true), 0u);
  EXPECT_EQ(db.Open(kHkcu, "Software\\\\x", reg::kAllAccess, true), 0u);
  EXPECT_NE(db.Open(kHkcu, "Software\\" + std::string(255, 'n'), reg::kAllAccess, true), 0u);
  EXPECT_EQ(db.Open(kHkcu, "Software\\" + std::string(256, 'n'), reg::kAllAccess, true), 0u);
}

class Regional : public ::testing::Test {
 protected:
  SqliteRegistry registry{":memory:"};
  void Put(std::string_view name, std::string_view value) {
    CWinReg reg(registry);
    ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, kInternationalKey, true));
    ASSERT_TRUE(reg.SetString(name, value));
  }
};

TEST_F(Regional, StoredValuesAreFollowedAndAHandEditedOneThatCannotReadDatesFallsBackWhole) {
  EXPECT_EQ(LoadRegionalSettings(registry).firstDayOfWeek, 6);  // nothing stored: Sunday
  Put("sShortDate", "dd.MM.yyyy");
  Put("sTimeFormat", "HH:mm:ss");
  Put("iFirstDayOfWeek", "0");
  const LocalePictures p = LoadRegionalSettings(registry);
  EXPECT_EQ(p.firstDayOfWeek, 0);
  EXPECT_EQ(PictureLocale(p).FormatDateTime(DateTime::FromParts(2026, 12, 7, 21, 5, 9)),
            "07.12.2026 21:05:09");

  Put("sShortDate", "yyyy");  // no day, no month: every date would read as 1 January
  EXPECT_EQ(LoadRegionalSettings(registry).shortDate, "M/d/yyyy");
  Put("iFirstDayOfWeek", "9");
  EXPECT_EQ(LoadRegionalSettings(registry).firstDayOfWeek, 6);
}

TEST_F(Regional, ProblemsAreNamedAndSavingRefusesUnusableSettingsAndKeepsTheOldOnes) {
  EXPECT_FALSE(RegionalSettingsProblem({}));
  const auto problem = [](std::string LocalePictures::*field, std::string value) {
    LocalePictures p;
    p.*field = value;
    return RegionalSettingsProblem(p).value_or("none");
  };
  using P = LocalePictures;
  EXPECT_NE(problem(&P::shortDate, "M/yyyy").find("day"), std::string::npos);
  EXPECT_NE(problem(&P::longTime, "h:mm tt").find("seconds"), std::string::npos);
  EXPECT_NE(problem(&P::longTime, "h:mm:ss").find("AM/PM"), std::string::npos);
  EXPECT_NE(problem(&P::am, "PM").find("same"), std::string::npos);
  EXPECT_NE(problem(&P::shortDate, "M#d#yyyy").find("#"), std::string::npos);
  // Two-digit years: 1999 would come back as another century.
  EXPECT_NE(problem(&P::shortDate, "d/M/yy"), "none");

  LocalePictures good;
  good.shortDate = "yyyy-MM-dd";
  good.longTime = "HH:mm:ss";
  SaveRegionalSettings(registry, good);
  LocalePictures bad = good;
  bad.shortDate = "dd";
  EXPECT_THROW(SaveRegionalSettings(registry, bad), HostError);
  EXPECT_EQ(LoadRegionalSettings(registry).shortDate, "yyyy-MM-dd");
}

// Orbitel runs for days while the user may change the settings: dates are
// read and written in the settings of the moment.
TEST_F(Regional, TheLiveLocaleFollowsTheSettingsAsTheyChange) {
  const LiveRegionalLocale locale(registry);
  const DateTime nine = DateTime::FromParts(2026, 12, 7, 9, 0, 0);
  EXPECT_EQ(locale.FormatDateTime(nine), "12/7/2026 9:00:00 AM");
  LocalePictures german;
  german.shortDate = "d.M.yyyy";
  german.longTime = "HH:mm:ss";
  german.dateSeparator = ".";
  SaveRegionalSettings(registry, german);
  EXPECT_EQ(locale.FormatDateTime(nine), "7.12.2026 09:00:00");
  EXPECT_EQ(locale.ParseDateTime("7.12.2026 09:00:00"), nine);
}

}  // namespace
}  // namespace velmora::posix
