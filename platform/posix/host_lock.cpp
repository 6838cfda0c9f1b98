#include "platform/posix/host_lock.h"

#include "platform/posix/paths.h"

namespace velmora::posix {

std::filesystem::path HostLock::DefaultPath() {
  return StateHome() / "velmora.lock";
}

}  // namespace velmora::posix
