#include "apps/velmora/host_services.h"

#include "common/debug.h"
#include "common/host_error.h"
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
    : registry_(posix::SqliteRegistry::DefaultPath(), posix::ReadOnlyHome().has_value()),
      locale_(posix::LoadRegionalSettings(registry_)) {
  // Without its registry the host would schedule mails and lose their next
  // due time and settings without a word.
  if (!registry_.Ok())
    Raise(err::kFileIo, "cannot open the registry " +
                            posix::SqliteRegistry::DefaultPath().string() + ": " +
                            registry_.LastError());
  use_.emplace(Services{.clock = &clock_,
                        .locale = &locale_,
                        .registry = &registry_,
                        .settings = &settings_,
                        .files = &files_,
                        .logFolder = LogFolder()});
  ConfigureDebugLog(kAddinLog);
}

HostServices::~HostServices() {
  // The log may still stamp a line with the clock and locale going away.
  ReleaseDebug();
}

}  // namespace velmora::cli
