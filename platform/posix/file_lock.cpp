#include "platform/posix/file_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "common/host_error.h"
#include "platform/posix/paths.h"

namespace velmora::posix {

namespace {

struct flock WholeFile(short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;  // to the end, however large the file grows
  return fl;
}

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& path) {
  Raise(err::kFileIo, what + " " + path.string() + ": " + std::strerror(errno));
}

}  // namespace

bool FileLock::TryAcquire() {
  if (fd_ >= 0) return true;
  if (path_.has_parent_path()) EnsurePrivateDir(path_.parent_path());
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) Fail("cannot open the lock file", path_);
  struct flock fl = WholeFile(F_WRLCK);
  if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
    const int e = errno;
    ::close(fd);
    if (e == EAGAIN || e == EACCES) return false;
    errno = e;
    Fail("cannot lock", path_);
  }
  fd_ = fd;
  // Who holds it, for a person looking at the file; the lock is what counts.
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd_, 0) == 0) {
    [[maybe_unused]] const ssize_t n = ::pwrite(fd_, pid.data(), pid.size(), 0);
  }
  return true;
}

void FileLock::Release() noexcept {
  if (fd_ < 0) return;
  // Closing the last descriptor of the description drops the lock.
  ::close(fd_);
  fd_ = -1;
}

bool FileLock::IsHeld(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    if (errno == ENOENT) return false;
    Fail("cannot open the lock file", path);
  }
  struct flock fl = WholeFile(F_WRLCK);
  const int rc = ::fcntl(fd, F_OFD_GETLK, &fl);
  const int e = errno;
  ::close(fd);
  if (rc != 0) {
    errno = e;
    Fail("cannot test the lock on", path);
  }
  return fl.l_type != F_UNLCK;
}

}  // namespace velmora::posix
