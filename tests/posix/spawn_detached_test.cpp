// Starting programs detached, as orbitel starts `velmora run`: the program
// runs in a session of its own on /dev/null, is not our child, inherits the
// environment, and a program that cannot run is reported, not ignored.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/host_error.h"
#include "platform/posix/spawn_detached.h"
#include "scoped_env.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

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
  const std::string script =
      "a=$(readlink /proc/$$/fd/0) b=$(readlink /proc/$$/fd/1) c=$(readlink /proc/$$/fd/2)\n"
      "printf '%s\\n' \"$a $b $c\" \"$(cut -d' ' -f4,6 /proc/$$/stat)\" \"$VELMORA_SPAWN_MARK\" "
      "\"$2\" > /proc/$$/fd/$1\n";
  sigset_t before, after;
  ASSERT_EQ(::pthread_sigmask(SIG_SETMASK, nullptr, &before), 0);
  SpawnDetached("/bin/sh", {"-c", script, "sh", std::to_string(fds[1]), "two words"});
  ::close(fds[1]);
  std::string text;
  char buf[256];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
    text.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  std::istringstream lines(text);
  std::string fds012, marked, words;
  pid_t parent = 0, session = 0;
  std::getline(lines, fds012);
  lines >> parent >> session >> marked >> std::ws;
  std::getline(lines, words);
  EXPECT_EQ(fds012, "/dev/null /dev/null /dev/null") << text;
  EXPECT_NE(parent, ::getpid()) << "not our child: nothing of ours to reap";
  EXPECT_NE(session, ::getsid(0)) << "a session of its own";
  EXPECT_EQ(marked, "marked");
  EXPECT_EQ(words, "two words");
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
  EXPECT_EQ(FindProgram("velmora", {}), pathCopy);
  EXPECT_EQ(FindProgram("nothing-like-this", beside.Path()), std::nullopt);
  EXPECT_EQ(FindProgram("", beside.Path()), std::nullopt);
  EXPECT_EQ(FindProgram("../onpath/velmora", beside.Path()), std::nullopt);
  // A folder of that name is not a program.
  std::filesystem::create_directories(beside.Path() / "folder" / "velmora");
  ScopedEnv only("PATH", (beside.Path() / "folder").string());
  EXPECT_EQ(FindProgram("velmora", {}), std::nullopt);
}

}  // namespace
}  // namespace velmora::posix
