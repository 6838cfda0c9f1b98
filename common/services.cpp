#include "common/services.h"

#include "common/host_error.h"

namespace velmora {

Services& GetServices() noexcept {
  static Services services;
  return services;
}

const Clock& TheClock() {
  return NeedPort(GetServices().clock, "clock");
}
const Locale& TheLocale() {
  return NeedPort(GetServices().locale, "locale");
}
RegistryBackend& TheRegistry() {
  return NeedPort(GetServices().registry, "registry");
}
Settings& TheSettings() {
  return NeedPort(GetServices().settings, "settings");
}
FileSystem& TheFiles() {
  return NeedPort(GetServices().files, "files");
}

DateTime Now() {
  return TheClock().Now();
}
std::string DateText(DateTime t) {
  return TheLocale().FormatDateTime(t);
}
std::optional<DateTime> ReadDateText(std::string_view text) {
  return TheLocale().ParseDateTime(text);
}

}  // namespace velmora
