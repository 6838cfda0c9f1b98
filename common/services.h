// The OS ports the portable code reaches, installed once by each deliverable's
// entry point (or by a test) and read through the accessors below. One thread
// per deliverable, so no locking.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/datetime.h"
#include "common/filesystem.h"
#include "common/locale.h"
#include "common/registry_backend.h"
#include "common/settings.h"

namespace velmora {

struct Services {
  const Clock* clock = nullptr;
  const Locale* locale = nullptr;
  RegistryBackend* registry = nullptr;
  Settings* settings = nullptr;
  FileSystem* files = nullptr;
  // Where the debug log files live (beside the deliverable on Windows).
  std::filesystem::path logFolder;
};

Services& GetServices() noexcept;

// Each raises error 91 when its port is not installed.
const Clock& TheClock();
const Locale& TheLocale();
RegistryBackend& TheRegistry();
Settings& TheSettings();
FileSystem& TheFiles();

// The local clock, whole seconds.
DateTime Now();
// A date-time as text in the user's regional settings (general date form).
std::string DateText(DateTime t);
// Text in the user's regional settings back to a date-time.
std::optional<DateTime> ReadDateText(std::string_view text);

// Installs other services for a scope, restoring the old ones after, also
// when the scope ends by an exception.
class ScopedServices {
 public:
  explicit ScopedServices(Services s) : saved_(GetServices()) { GetServices() = std::move(s); }
  ~ScopedServices() { GetServices() = std::move(saved_); }
  ScopedServices(const ScopedServices&) = delete;
  ScopedServices& operator=(const ScopedServices&) = delete;

 private:
  Services saved_;
};

}  // namespace velmora
