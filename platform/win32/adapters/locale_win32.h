// The locale port over the user's regional settings: oleaut32's date-text
// conversions (the ones the host's own string conversions use) and
// GetLocaleInfoW.
#pragma once

#include "common/locale.h"

namespace velmora::win32 {

class Win32Locale final : public Locale {
 public:
  std::string FormatDateTime(DateTime t) const override;
  // Also reads ISO 8601 text, whatever the regional settings.
  std::optional<DateTime> ParseDateTime(std::string_view text) const override;
  std::string GetLocaleInfo(std::uint32_t entry) const override;
};

}  // namespace velmora::win32
