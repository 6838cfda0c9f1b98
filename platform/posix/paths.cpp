#include "platform/posix/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "common/host_error.h"
#include "platform/posix/unique_fd.h"

namespace velmora::posix {

namespace {

// One home for everything: the commands, the launcher and its systemd unit
// (which sets no variables) must meet in the same store and registry.
std::filesystem::path Home() {
  if (const char* h = std::getenv("VELMORA_HOME"); h && *h) return h;
  const char* home = std::getenv("HOME");
  if (!home || !*home) home = "/tmp";
  return std::filesystem::path(home) / ".velmora";
}

}  // namespace

std::filesystem::path DataHome() {
  return Home();
}
std::filesystem::path ConfigHome() {
  return Home();
}
std::filesystem::path StateHome() {
  return Home();
}

std::optional<std::filesystem::path> ReadOnlyHome() {
  const std::filesystem::path home = Home();
  for (const std::filesystem::path& p : {home, home / "store.db", home / "registry.db"}) {
    // A missing file is made where the folder allows.
    if (::access(p.c_str(), W_OK) != 0 && errno != ENOENT) return p;
  }
  return std::nullopt;
}

void EnsurePrivateDir(const std::filesystem::path& dir) {
  std::filesystem::path p;
  for (const auto& part : dir) {
    p /= part;
    if (p.empty() || p == p.root_path()) continue;
    if (::mkdir(p.c_str(), 0700) != 0 && errno != EEXIST)
      Raise(err::kFileIo, "cannot create folder " + p.string());
  }
}

bool CreatePrivateFile(const std::filesystem::path& path) {
  if (path.has_parent_path()) EnsurePrivateDir(path.parent_path());
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (fd.get() < 0) return false;
  ::fchmod(fd.get(), 0600);  // private, whoever made the file
  return true;
}

}  // namespace velmora::posix
