// The user's regional settings on the standalone host, kept where Windows
// keeps them (HKCU "Control Panel\International": sShortDate, sTimeFormat,
// sTime, sDate, s1159, s2359, iFirstDayOfWeek), with United States values for
// whatever is absent. Stored texts (the schedule record, "NextOccurence")
// are written and read in these settings, so a setting that could not read
// its own dates back is refused rather than stored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/picture_locale.h"
#include "common/registry_backend.h"

namespace velmora::posix {

inline constexpr std::string_view kInternationalKey = "Control Panel\\International";

// The settings in the registry; a missing, empty or unusable value gives the
// United States default for that value.
LocalePictures LoadRegionalSettings(RegistryBackend& registry);

// Why these settings cannot be used (dates would not read back to the same
// date-time, a designator is missing, ...), or nothing when they can.
std::optional<std::string> RegionalSettingsProblem(const LocalePictures& pictures);

// Writes all seven values. Raises HostError 5 with RegionalSettingsProblem's
// text for unusable settings, and when the registry refuses the write.
void SaveRegionalSettings(RegistryBackend& registry, const LocalePictures& pictures);

}  // namespace velmora::posix
