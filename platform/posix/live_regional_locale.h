// The user's regional settings as they are now: every date text is written
// and read with the settings the registry holds at that moment, as the
// Windows conversions do. A launcher that runs for days must read the next
// due time in the settings the host wrote it in, even after they changed.
#pragma once

#include "common/locale.h"
#include "common/registry_backend.h"

namespace velmora::posix {

class LiveRegionalLocale final : public Locale {
 public:
  explicit LiveRegionalLocale(RegistryBackend& registry) : registry_(registry) {}
  std::string FormatDateTime(DateTime t) const override;
  std::optional<DateTime> ParseDateTime(std::string_view text) const override;
  std::string GetLocaleInfo(std::uint32_t entry) const override;

 private:
  RegistryBackend& registry_;
};

}  // namespace velmora::posix
