#include "platform/posix/os_version_posix.h"

#include <sys/utsname.h>

#include <charconv>
#include <cstdint>
#include <string>

namespace velmora::posix {

namespace {

// Not one of the Windows platform ids, so the system's own name is shown.
constexpr std::uint32_t kNotWindows = 0xFFFFFFFFu;

}  // namespace

OsVersionRecord OsVersionFromRelease(std::string_view sysname, std::string_view release) {
  OsVersionRecord r;
  r.platformId = kNotWindows;
  r.otherName = std::string(sysname);
  std::uint32_t* parts[] = {&r.major, &r.minor, &r.build};
  const char* p = release.data();
  const char* end = p + release.size();
  for (std::uint32_t* part : parts) {
    auto [next, ec] = std::from_chars(p, end, *part);
    if (ec != std::errc()) {
      *part = 0;
      break;
    }
    p = next;
    if (p == end || *p != '.') break;
    ++p;
  }
  return r;
}

std::optional<OsVersionRecord> UnameOsVersion::Query() {
  utsname u{};
  if (uname(&u) != 0) return std::nullopt;
  return OsVersionFromRelease(u.sysname, u.release);
}

}  // namespace velmora::posix
