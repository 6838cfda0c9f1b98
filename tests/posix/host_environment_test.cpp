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

TEST(SystemClock, ReadsLocalTimeInTheUsersZone) {
  const auto utcNow = [] {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return DateTime::FromParts(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                               tm.tm_sec);
  };
  DateTime before, now, after;
  {
    test::ScopedEnv tz("TZ", "XYZ-5:45");  // five hours and three quarters east of UTC
    ::tzset();
    before = utcNow().AddMinutes(5 * 60 + 45);
    now = SystemClock().Now();
    after = utcNow().AddMinutes(5 * 60 + 45);
  }
  ::tzset();
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
}

}  // namespace
}  // namespace velmora::posix
