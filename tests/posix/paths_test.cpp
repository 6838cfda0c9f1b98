// Every command, the launcher and its systemd unit (which sets no variables)
// must find the same store: one home, whatever XDG variables say.
#include <gtest/gtest.h>

#include "platform/posix/paths.h"
#include "scoped_env.h"

namespace velmora::posix {
namespace {

TEST(Paths, OneHomeForStoreSettingsAndLogsVelmoraHomeFirstElseDotVelmora) {
  test::ScopedEnv home("HOME", "/home/ann");
  test::ScopedEnv data("XDG_DATA_HOME", "/home/ann/.xdg-data");
  test::ScopedEnv config("XDG_CONFIG_HOME", "/home/ann/.xdg-config");
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

}  // namespace
}  // namespace velmora::posix
