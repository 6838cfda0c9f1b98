// The locale port over the user's regional settings: oleaut32's date-text
// conversions (the ones the host's own string conversions use) and
// GetLocaleInfoW.
#pragma once

#include "common/locale.h"

namespace velmora::win32 {

class Win32Locale final : public Locale {
 public:
  // The user's own settings unless another locale id is named (0x0407 for
  // German): the deliverables always use the user's.
  static constexpr std::uint32_t kUserDefault = 0x0400;  // LOCALE_USER_DEFAULT
  explicit Win32Locale(std::uint32_t lcid = kUserDefault) noexcept : lcid_(lcid) {}

  std::string FormatDateTime(DateTime t) const override;
  // Also reads ISO 8601 text, whatever the regional settings.
  std::optional<DateTime> ParseDateTime(std::string_view text) const override;
  std::string GetLocaleInfo(std::uint32_t entry) const override;

 private:
  std::uint32_t lcid_;
};

}  // namespace velmora::win32
