// The host's clock reads local wall time, not UTC, in whole seconds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "platform/posix/system_clock.h"

namespace velmora::posix {
namespace {

// Sets TZ for a scope (POSIX rule text needs no zone database).
class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    if (const char* old = std::getenv("TZ")) saved_ = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~ScopedTz() {
    if (saved_)
      ::setenv("TZ", saved_->c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> saved_;
};

DateTime Utc(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  return DateTime::FromParts(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                             tm.tm_sec);
}

TEST(SystemClock, ReadsLocalTimeInTheUsersZone) {
  ScopedTz tz("XYZ-5:45");  // five hours and three quarters east of UTC
  const SystemClock clock;
  const DateTime before = Utc(std::time(nullptr)).AddMinutes(5 * 60 + 45);
  const DateTime now = clock.Now();
  const DateTime after = Utc(std::time(nullptr)).AddMinutes(5 * 60 + 45);
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
  EXPECT_TRUE(now.InHostRange());
}

}  // namespace
}  // namespace velmora::posix
