// The host's clock reads local wall time, not UTC, in whole seconds.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/posix/system_clock.h"
#include "scoped_env.h"

namespace velmora::posix {
namespace {

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
