// What the host takes from its environment: one home for every command, the
// launcher and its systemd unit (which sets no variables), whatever XDG
// variables say; and local wall time, not UTC, in the user's zone.
// Starting programs detached, as orbitel starts `velmora run`: the program
// runs in a session of its own on /dev/null, is not our child, inherits the
// environment, and a program that cannot run is reported, not ignored.
// The lock files that tell the POSIX deliverables apart: one holder at a
// time, a probe that never takes the lock, private files, and no following
// of planted links. (Release at the holder's death: the SIGKILL end-to-end
// run restarts the host after every kill.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/host_error.h"
#include "platform/posix/file_lock.h"
#include "platform/posix/orbitel_ports.h"
#include "platform/posix/paths.h"
#include "platform/posix/spawn_detached.h"
#include "platform/posix/system_clock.h"
#include "scoped_env.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

TEST(Paths, OneHomeForStoreSettingsAndLogsVelmoraHomeFirstElseDotVelmora) {
  test::ScopedEnv home("HOME", "/home/ann");
  test::ScopedEnv data("XDG_DATA_HOME", "/home/ann/.xdg-data");
  test::ScopedEnv state("XDG_STATE_HOME", "/home/ann/.xdg-state");
  {
    test::ScopedEnv unset("VELMORA_HOME", "");
    for (const auto& p : {DataHome(), ConfigHome(), StateHome()})
      EXPECT_EQ(p, std::filesystem::path("/home/ann/.velmora"));
  }
  test::ScopedEnv set("VELMORA_HOME", "/srv/mail");
  for (const auto& p : {DataHome(), ConfigHome(), StateHome()})
    EXPECT_EQ(p, std::filesystem::path("/srv/mail"));
}

TEST(SystemClock, ReadsLocalTimeInTheUsersZone) {
  const auto now = [](const char* zone) {
    test::ScopedEnv tz("TZ", zone);
    ::tzset();
    return SystemClock().Now().Seconds();
  };
  const std::int64_t utc = now("UTC0"), east = now("XYZ-5:45");  // 5 h 45 min east of UTC
  ::tzset();
  EXPECT_NEAR(static_cast<double>(east - utc), (5 * 60 + 45) * 60, 2);
}

using test::ScopedEnv;
using test::TempDir;

TEST(SpawnDetachedTest, TheProgramRunsDetachedWithOurEnvironmentOrIsReportedMissing) {
  // The program reports through the write end of a pipe it inherits; the
  // read end sees the end of the file once the program is done: no waiting
  // on time.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  ScopedEnv mark("VELMORA_SPAWN_MARK", "marked");
  // Our process id and session go in as $3 and $4 for the program to compare.
  const std::string script =
      "read -r _ _ _ ppid _ sid _ < /proc/$$/stat\n"
      "echo $(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2) \"$VELMORA_SPAWN_MARK\" \"$2\" "
      "$([ $ppid != $3 ] && echo not-our-child) $([ $sid != $4 ] && echo own-session) "
      "> /proc/$$/fd/$1\n";
  sigset_t before, after;
  ASSERT_EQ(::pthread_sigmask(SIG_SETMASK, nullptr, &before), 0);
  SpawnDetached("/bin/sh", {"-c", script, "sh", std::to_string(fds[1]), "two words",
                            std::to_string(::getpid()), std::to_string(::getsid(0))});
  ::close(fds[1]);
  std::string text;
  char buf[256];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
    text.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  EXPECT_EQ(text, "/dev/null /dev/null /dev/null marked two words not-our-child own-session\n");
  ASSERT_EQ(::pthread_sigmask(SIG_SETMASK, nullptr, &after), 0);
  for (int sig = 1; sig < 32; ++sig)
    EXPECT_EQ(sigismember(&before, sig), sigismember(&after, sig)) << sig;

  TempDir dir("spawn");
  EXPECT_THROW(SpawnDetached(dir.Path() / "missing", {"run"}), HostError);
  std::ofstream(dir / "not-executable") << "#!/bin/sh\n";
  EXPECT_THROW(SpawnDetached(dir.Path() / "not-executable", {}), HostError);
}

TEST(FindProgramTest, BesideFirstThenAbsolutePathEntries) {
  TempDir beside("beside");
  TempDir onPath("onpath");
  const auto executable = [](const TempDir& dir) {
    std::ofstream(dir / "velmora") << "#!/bin/sh\nexit 0\n";
    std::filesystem::permissions(dir.Path() / "velmora", std::filesystem::perms::owner_all);
    return dir.Path() / "velmora";
  };
  const auto pathCopy = executable(onPath);
  std::ofstream(beside / "velmora") << "not executable";
  ScopedEnv path("PATH", "relative-entry::" + onPath.Path().string());
  EXPECT_EQ(FindProgram("velmora", beside.Path()), pathCopy);
  const auto besideCopy = executable(beside);
  EXPECT_EQ(FindProgram("velmora", beside.Path()), besideCopy);
  EXPECT_EQ(FindProgram("", beside.Path()), std::nullopt);
  EXPECT_EQ(FindProgram("../onpath/velmora", beside.Path()), std::nullopt);
  // A folder of that name is not a program.
  std::filesystem::create_directories(beside.Path() / "folder" / "velmora");
  ScopedEnv only("PATH", (beside.Path() / "folder").string());
  EXPECT_EQ(FindProgram("velmora", {}), std::nullopt);
}

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
