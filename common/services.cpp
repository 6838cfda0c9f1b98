#include "common/services.h"

#include "common/host_error.h"

namespace velmora {

Services& GetServices() noexcept {
  static Services services;
  return services;
}

namespace {
template <class T>
T& Port(T* p, const char* name) {
  if (!p) Raise(err::kObjectNotSet, std::string("Object variable not set (") + name + ")");
  return *p;
}
}  // namespace

const Clock& TheClock() {
  return Port(GetServices().clock, "clock");
}
const Locale& TheLocale() {
  return Port(GetServices().locale, "locale");
}
RegistryBackend& TheRegistry() {
  return Port(GetServices().registry, "registry");
}
Settings& TheSettings() {
  return Port(GetServices().settings, "settings");
}
FileSystem& TheFiles() {
  return Port(GetServices().files, "files");
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
