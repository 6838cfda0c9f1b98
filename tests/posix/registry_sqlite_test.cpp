// What the SQLite registry adds to the shared suite: a private file that
// persists, sharing between processes, damaged files, and the name limits
// and case folding the Windows registry has.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "common/winreg.h"
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
  EXPECT_FALSE(damaged.Ok());
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

}  // namespace
}  // namespace velmora::posix
