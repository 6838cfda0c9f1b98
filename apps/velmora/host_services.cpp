#include "apps/velmora/host_services.h"

#include "common/debug.h"
#include "platform/posix/paths.h"
#include "platform/posix/regional_settings.h"

namespace velmora::cli {

namespace {

std::filesystem::path LogFolder() {
  std::filesystem::path dir = posix::StateHome();
  try {
    posix::EnsurePrivateDir(dir);
  } catch (...) {
    // Without its folder the log writes nothing; the program still runs.
  }
  return dir;
}

}  // namespace

HostServices::HostServices()
    : registry_(posix::SqliteRegistry::DefaultPath()),
      locale_(posix::LoadRegionalSettings(registry_)),
      saved_(GetServices()) {
  Services s;
  s.clock = &clock_;
  s.locale = &locale_;
  s.registry = &registry_;
  s.settings = &settings_;
  s.files = &files_;
  s.logFolder = LogFolder();
  GetServices() = std::move(s);
  ConfigureDebugLog(kAddinLog);
}

HostServices::~HostServices() {
  // The log may still stamp a line with the clock and locale going away.
  ReleaseDebug();
  GetServices() = std::move(saved_);
}

}  // namespace velmora::cli
