// What the host takes from its environment: one home for every command, the
// launcher and its systemd unit (which sets no variables), whatever XDG
// variables say; and local wall time, not UTC, in the user's zone.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/posix/paths.h"
#include "platform/posix/system_clock.h"
#include "scoped_env.h"

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

}  // namespace
}  // namespace velmora::posix
