// The system's version for the bug report, from uname: the system's name and
// the first three numbers of its release ("6.1.0-18-amd64" gives 6, 1, 0).
#pragma once

#include <optional>
#include <string_view>

#include "addin/support/bug_report.h"

namespace velmora::posix {

class UnameOsVersion final : public OsVersionPort {
 public:
  std::optional<OsVersionRecord> Query() override;
};

// The record for a system name and release text; the numbers the release
// does not give are 0.
OsVersionRecord OsVersionFromRelease(std::string_view sysname, std::string_view release);

}  // namespace velmora::posix
