#include "platform/posix/orbitel_ports.h"

#include <cstdio>

#include "common/host_error.h"
#include "platform/posix/file_lock.h"
#include "platform/posix/host_lock.h"
#include "platform/posix/spawn_detached.h"

namespace velmora::posix {

namespace {

class HeldLockFile final : public tray::NamedMutex {
 public:
  explicit HeldLockFile(std::unique_ptr<FileLock> lock) : lock_(std::move(lock)) {}

 private:
  std::unique_ptr<FileLock> lock_;
};

}  // namespace

std::unique_ptr<tray::NamedMutex> LockFileMutex::CreateOwned(std::string_view /*name*/) {
  auto lock = std::make_unique<FileLock>(path_);
  if (!lock->TryAcquire()) return nullptr;
  return std::make_unique<HeldLockFile>(std::move(lock));
}

bool VelmoraLauncher::IsRunning() {
  try {
    return HostLock::IsHeld(hostLock_);
  } catch (...) {
    return false;
  }
}

void VelmoraLauncher::Start() {
  try {
    const auto program = FindProgram("velmora", beside_);
    if (!program)
      Raise(err::kFileNotFound, "velmora not found in " + beside_.string() + " nor on PATH");
    SpawnDetached(*program, {"run"});
  } catch (...) {
    // The log alone is read by nobody who just started orbitel by hand.
    std::fprintf(stderr, "orbitel: cannot start velmora: %s\n",
                 DescribeCurrentException().description.c_str());
    std::fflush(stderr);
    throw;
  }
}

}  // namespace velmora::posix
