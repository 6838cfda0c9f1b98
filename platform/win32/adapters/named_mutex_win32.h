// The tray launcher's mutex port over a Win32 named mutex: one copy of the
// launcher per logon.
#pragma once

#include "tray/tray_ports.h"

namespace velmora::win32 {

class Win32MutexPort final : public tray::MutexPort {
 public:
  std::unique_ptr<tray::NamedMutex> CreateOwned(std::string_view name) override;
};

}  // namespace velmora::win32
