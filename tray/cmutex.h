// CMutex: the single-instance mutex of the tray launcher, held from a
// successful Create until Done (or destruction).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "tray/tray_ports.h"

namespace velmora::tray {

class CMutex {
 public:
  explicit CMutex(MutexPort& port) : port_(port) {}
  ~CMutex() { Done(); }
  CMutex(const CMutex&) = delete;
  CMutex& operator=(const CMutex&) = delete;

  // True when this process now owns a new mutex of that name; False when
  // another process has one. Raises HostError when none can be made.
  bool Create(std::string_view name);
  // Releases and closes the mutex if one is held.
  void Done() noexcept;

  bool Held() const noexcept { return handle_ != nullptr; }
  const std::string& Name() const noexcept { return name_; }

 private:
  MutexPort& port_;
  std::unique_ptr<NamedMutex> handle_;
  std::string name_;
};

}  // namespace velmora::tray
