// The Win32 adapters of the common ports, owned in one place and installed
// into the services by the tray launcher's WinMain and the add-in's entry.
#pragma once

#include "common/settings.h"
#include "platform/win32/adapters/locale_win32.h"
#include "platform/win32/adapters/registry_win32.h"
#include "platform/win32/adapters/system_clock.h"

namespace velmora::win32 {

class Win32Services {
 public:
  Win32Services() = default;
  // Takes back what Install put into the services, so nothing points at
  // adapters that are gone (the DLL may be unloaded while the process lives).
  ~Win32Services();
  Win32Services(const Win32Services&) = delete;
  Win32Services& operator=(const Win32Services&) = delete;

  // Installs registry, settings, locale and clock, and the folder of this
  // module as the log folder. Other ports are left as they are.
  void Install() noexcept;

  Win32Registry& Registry() noexcept { return registry_; }
  Settings& UserSettings() noexcept { return settings_; }
  const Win32Locale& DateLocale() const noexcept { return locale_; }
  const Win32Clock& LocalClock() const noexcept { return clock_; }

 private:
  Win32Registry registry_;
  RegistrySettings settings_{registry_};
  Win32Locale locale_;
  Win32Clock clock_;
};

}  // namespace velmora::win32
