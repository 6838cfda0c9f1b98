#include "platform/posix/system_clock.h"

#include <ctime>

namespace velmora::posix {

DateTime SystemClock::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  if (!localtime_r(&now, &tm)) return DateTime::FromParts(1970, 1, 1);
  // A leap second (tm_sec 60) runs over into the next minute, as a date serial does.
  return DateTime::FromParts(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                             tm.tm_sec);
}

}  // namespace velmora::posix
