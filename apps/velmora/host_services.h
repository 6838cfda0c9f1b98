// The POSIX adapters of the common ports, owned together and installed into
// the services for the life of the program: files, regional settings (read
// from the registry, United States defaults), the local clock, the per-user
// registry and the settings kept in it, and the log folder.
#pragma once

#include <optional>

#include "common/picture_locale.h"
#include "common/services.h"
#include "common/settings.h"
#include "platform/posix/filesystem_posix.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/system_clock.h"

namespace velmora::cli {

class HostServices {
 public:
  HostServices();
  ~HostServices();
  HostServices(const HostServices&) = delete;
  HostServices& operator=(const HostServices&) = delete;

 private:
  posix::PosixFileSystem files_;
  posix::SqliteRegistry registry_;
  PictureLocale locale_;
  posix::SystemClock clock_;
  RegistrySettings settings_{registry_};
  std::optional<ScopedServices> use_;
};

}  // namespace velmora::cli
