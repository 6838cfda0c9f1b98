// The standalone host's "I am running" mark: `velmora run` holds a lock on
// StateHome()/velmora.lock while it runs; orbitel asks whether it is held
// to know whether the host runs. The lock goes when the host's process dies.
#pragma once

#include <filesystem>

#include "platform/posix/file_lock.h"

namespace velmora::posix {

class HostLock {
 public:
  explicit HostLock(std::filesystem::path path = DefaultPath()) : lock_(std::move(path)) {}

  // StateHome()/velmora.lock.
  static std::filesystem::path DefaultPath();

  // For the host: True when this process now holds the lock, False when
  // another host runs. Raises HostError when the lock file is unusable.
  bool TryAcquire() { return lock_.TryAcquire(); }
  void Release() noexcept { lock_.Release(); }
  bool Held() const noexcept { return lock_.Held(); }

  // For everyone else: whether a host holds the lock now.
  static bool IsHeld(const std::filesystem::path& path = DefaultPath()) {
    return FileLock::IsHeld(path);
  }

 private:
  FileLock lock_;
};

}  // namespace velmora::posix
