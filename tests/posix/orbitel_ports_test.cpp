// Orbitel's Linux ports: "is the host running" through the host's lock, and
// "start the host" running `velmora run` from beside orbitel or from PATH.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <string>

#include "common/host_error.h"
#include "platform/posix/host_lock.h"
#include "platform/posix/orbitel_ports.h"
#include "scoped_env.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

using test::ScopedEnv;
using test::TempDir;

TEST(VelmoraLauncherTest, TheHostRunsWhileItHoldsItsLock) {
  TempDir dir("orbitel");
  VelmoraLauncher launcher(dir.Path() / "velmora.lock", dir.Path());
  EXPECT_FALSE(launcher.IsRunning());
  HostLock host(dir.Path() / "velmora.lock");
  ASSERT_TRUE(host.TryAcquire());
  EXPECT_TRUE(launcher.IsRunning());
  host.Release();
  EXPECT_FALSE(launcher.IsRunning());

  // A lock file nobody can read is not a running host.
  VelmoraLauncher broken(dir.Path() / "velmora.lock" / "below-a-file", dir.Path());
  EXPECT_FALSE(broken.IsRunning());
}

TEST(VelmoraLauncherTest, StartsVelmoraRunFromBesideOrbitel) {
  TempDir beside("beside");
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ScopedEnv fd("VELMORA_TEST_REPORT_FD", std::to_string(fds[1]));
  const auto velmora = beside.Path() / "velmora";
  std::ofstream(velmora)
      << "#!/bin/sh\nprintf '%s|%s' \"$0\" \"$*\" > /proc/$$/fd/$VELMORA_TEST_REPORT_FD\n";
  std::filesystem::permissions(velmora, std::filesystem::perms::owner_all);

  VelmoraLauncher launcher(beside.Path() / "velmora.lock", beside.Path());
  launcher.Start();
  ::close(fds[1]);
  std::string got;
  char buf[256];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
    got.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  EXPECT_EQ(got, velmora.string() + "|run");
}

TEST(VelmoraLauncherTest, NoVelmoraAnywhereIsAFailedStart) {
  TempDir empty("empty");
  ScopedEnv path("PATH", empty.Path().string());
  VelmoraLauncher launcher(empty.Path() / "velmora.lock", empty.Path());
  try {
    launcher.Start();
    ADD_FAILURE() << "a start without velmora was reported as done";
  } catch (const HostError& e) {
    EXPECT_EQ(e.Number(), err::kFileNotFound);
  }
}

}  // namespace
}  // namespace velmora::posix
