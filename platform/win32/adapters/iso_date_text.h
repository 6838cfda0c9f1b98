// ISO 8601 date-time text ("YYYY-MM-DD", with " HH:MM[:SS]" or "THH:MM[:SS]"),
// read the same under every regional setting.
#pragma once

#include <optional>
#include <string_view>

#include "common/datetime.h"

namespace velmora::win32 {

// Nothing unless the whole text (spaces around allowed) is such a date-time
// with real calendar values inside the host's date range.
std::optional<DateTime> ParseIsoDateTime(std::string_view text) noexcept;

}  // namespace velmora::win32
