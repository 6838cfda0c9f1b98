// The lock files that tell the POSIX deliverables apart: one holder at a
// time, a probe that never takes the lock, private files, and no following
// of planted links. (Release at the holder's death: the SIGKILL end-to-end
// run restarts the host after every kill.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/host_error.h"
#include "platform/posix/file_lock.h"
#include "platform/posix/orbitel_ports.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

unsigned ModeOf(const std::filesystem::path& p) {
  return static_cast<unsigned>(std::filesystem::status(p).permissions());
}

TEST(FileLockTest, OneHolderAtATimeInPrivateFilesTheProbeTakesNothingAndLinksAreNotFollowed) {
  test::TempDir dir("lock");
  const auto path = dir.Path() / "state" / "deeper" / "x.lock";
  EXPECT_FALSE(FileLock::IsHeld(path));
  EXPECT_FALSE(std::filesystem::exists(path)) << "a probe must not create the file";

  FileLock first(path);
  ASSERT_TRUE(first.TryAcquire());
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_EQ(ModeOf(path.parent_path()), 0700u);
  EXPECT_EQ(ModeOf(path.parent_path().parent_path()), 0700u);
  EXPECT_TRUE(FileLock::IsHeld(path));
  EXPECT_TRUE(VelmoraLauncher(path, dir.Path()).IsRunning()) << "a probe took the lock";
  FileLock second(path);
  EXPECT_FALSE(second.TryAcquire());
  EXPECT_TRUE(first.TryAcquire()) << "taking a held lock again is a no-op";
  first.Release();
  EXPECT_FALSE(FileLock::IsHeld(path));
  EXPECT_TRUE(second.TryAcquire());

  // An unusable lock file is an error, and a planted link is not followed.
  std::ofstream(dir / "plain") << "x";
  EXPECT_THROW(FileLock(dir.Path() / "plain" / "x.lock").TryAcquire(), HostError);
  // A lock file nobody can read is not a running host.
  EXPECT_FALSE(VelmoraLauncher(dir.Path() / "plain" / "x.lock", dir.Path()).IsRunning());

  std::filesystem::create_symlink(dir.Path() / "elsewhere", dir.Path() / "link.lock");
  EXPECT_THROW(FileLock(dir.Path() / "link.lock").TryAcquire(), HostError);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "elsewhere"));
  EXPECT_THROW(FileLock::IsHeld(dir.Path() / "link.lock"), HostError);
}

}  // namespace
}  // namespace velmora::posix
