// Starting programs detached, as orbitel starts `velmora run`: the program
// runs in a session of its own on /dev/null, is not our child, inherits the
// environment, and a program that cannot run is reported, not ignored.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/host_error.h"
#include "platform/posix/spawn_detached.h"
#include "scoped_env.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

using test::ScopedEnv;
using test::TempDir;

// A pipe whose write end the spawned program inherits: it reports through
// /proc/$$/fd/N, and the read end sees the end of the file once every
// holder of the write end is gone, so no waiting on time is needed.
class Report {
 public:
  Report() {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    read_ = fds[0];
    write_ = fds[1];
    ::fcntl(read_, F_SETFD, FD_CLOEXEC);
  }
  ~Report() {
    if (read_ >= 0) ::close(read_);
    CloseWriteEnd();
  }
  std::string WriteFd() const { return std::to_string(write_); }
  void CloseWriteEnd() {
    if (write_ >= 0) ::close(write_);
    write_ = -1;
  }
  std::vector<std::string> Lines() {
    CloseWriteEnd();
    std::string text;
    char buf[256];
    ssize_t n;
    while ((n = ::read(read_, buf, sizeof buf)) > 0)
      text.append(buf, static_cast<std::size_t>(n));
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }

 private:
  int read_ = -1;
  int write_ = -1;
};

std::filesystem::path WriteScript(const TempDir& dir, const std::string& name,
                                  const std::string& body) {
  const auto path = dir.Path() / name;
  std::ofstream(path) << "#!/bin/sh\n" << body;
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  return path;
}

TEST(SpawnDetachedTest, TheProgramRunsDetachedWithOurEnvironment) {
  Report report;
  ScopedEnv mark("VELMORA_SPAWN_MARK", "marked");
  const std::string script =
      "a=$(readlink /proc/$$/fd/0); b=$(readlink /proc/$$/fd/1); c=$(readlink /proc/$$/fd/2)\n"
      "s=$(cut -d' ' -f4,6 /proc/$$/stat)\n"
      "printf '%s\\n' \"$a\" \"$b\" \"$c\" \"$s\" \"$VELMORA_SPAWN_MARK\" \"$2\" > "
      "/proc/$$/fd/$1\n";
  sigset_t before;
  ASSERT_EQ(::pthread_sigmask(SIG_SETMASK, nullptr, &before), 0);

  SpawnDetached("/bin/sh", {"-c", script, "sh", report.WriteFd(), "two words"});

  const std::vector<std::string> lines = report.Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "/dev/null");
  EXPECT_EQ(lines[1], "/dev/null");
  EXPECT_EQ(lines[2], "/dev/null");
  std::istringstream ids(lines[3]);
  pid_t parent = 0;
  pid_t session = 0;
  ids >> parent >> session;
  EXPECT_NE(parent, ::getpid()) << "not our child: nothing of ours to reap";
  EXPECT_NE(session, ::getsid(0)) << "a session of its own";
  EXPECT_EQ(lines[4], "marked");
  EXPECT_EQ(lines[5], "two words");

  // Our own signal mask is as it was.
  sigset_t after;
  ASSERT_EQ(::pthread_sigmask(SIG_SETMASK, nullptr, &after), 0);
  for (int sig = 1; sig < 32; ++sig)
    EXPECT_EQ(sigismember(&before, sig), sigismember(&after, sig)) << sig;
}

TEST(SpawnDetachedTest, AProgramThatCannotRunIsReported) {
  TempDir dir("spawn");
  try {
    SpawnDetached(dir.Path() / "missing", {"run"});
    ADD_FAILURE() << "a missing program was reported as started";
  } catch (const HostError& e) {
    EXPECT_EQ(e.Number(), err::kFileNotFound);
    EXPECT_NE(e.Description().find("missing"), std::string::npos) << e.Description();
  }
  std::ofstream(dir / "not-executable") << "#!/bin/sh\n";
  EXPECT_THROW(SpawnDetached(dir.Path() / "not-executable", {}), HostError);
}

TEST(FindProgramTest, BesideFirstThenAbsolutePathEntries) {
  TempDir beside("beside");
  TempDir onPath("onpath");
  TempDir relative("relative");
  const auto pathCopy = WriteScript(onPath, "velmora", "exit 0\n");
  std::ofstream(beside / "velmora") << "not executable";
  ScopedEnv path("PATH", "relative-entry::" + onPath.Path().string());

  EXPECT_EQ(FindProgram("velmora", beside.Path()), pathCopy);
  const auto besideCopy = WriteScript(beside, "velmora", "exit 0\n");
  EXPECT_EQ(FindProgram("velmora", beside.Path()), besideCopy);
  EXPECT_EQ(FindProgram("velmora", {}), pathCopy);

  EXPECT_EQ(FindProgram("nothing-like-this", beside.Path()), std::nullopt);
  EXPECT_EQ(FindProgram("", beside.Path()), std::nullopt);
  EXPECT_EQ(FindProgram("../onpath/velmora", beside.Path()), std::nullopt);

  // A folder of that name is not a program.
  std::filesystem::create_directory(relative.Path() / "velmora");
  ScopedEnv only("PATH", relative.Path().string());
  EXPECT_EQ(FindProgram("velmora", {}), std::nullopt);
}

}  // namespace
}  // namespace velmora::posix
