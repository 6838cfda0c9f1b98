#include "platform/posix/live_regional_locale.h"

#include "common/picture_locale.h"
#include "platform/posix/regional_settings.h"

namespace velmora::posix {

std::string LiveRegionalLocale::FormatDateTime(DateTime t) const {
  return PictureLocale(LoadRegionalSettings(registry_)).FormatDateTime(t);
}

std::optional<DateTime> LiveRegionalLocale::ParseDateTime(std::string_view text) const {
  return PictureLocale(LoadRegionalSettings(registry_)).ParseDateTime(text);
}

std::string LiveRegionalLocale::GetLocaleInfo(std::uint32_t entry) const {
  return PictureLocale(LoadRegionalSettings(registry_)).GetLocaleInfo(entry);
}

}  // namespace velmora::posix
