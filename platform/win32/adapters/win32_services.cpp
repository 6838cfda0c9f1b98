#include "platform/win32/adapters/win32_services.h"

#include "common/services.h"
#include "platform/win32/adapters/module_path.h"

namespace velmora::win32 {

void Win32Services::Install() noexcept {
  Services& s = GetServices();
  s.registry = &registry_;
  s.settings = &settings_;
  s.locale = &locale_;
  s.clock = &clock_;
  try {
    s.logFolder = ModuleFolder();
  } catch (...) {
    // Without a folder the log has nowhere to go; the ports still work.
  }
}

Win32Services::~Win32Services() {
  Services& s = GetServices();
  if (s.registry == &registry_) s.registry = nullptr;
  if (s.settings == &settings_) s.settings = nullptr;
  if (s.locale == &locale_) s.locale = nullptr;
  if (s.clock == &clock_) s.clock = nullptr;
}

}  // namespace velmora::win32
