// A file descriptor owned by one scope: closed when the scope ends, or
// earlier by Close() where the close's own failure matters (a write's data
// may only fail to reach the disk there).
#pragma once

#include <unistd.h>

namespace velmora::posix {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) noexcept : fd_(fd) {}
  ~UniqueFd() { Close(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const noexcept { return fd_; }

  // 0, or -1 with errno as close(2) left it; closing twice is harmless.
  int Close() noexcept {
    const int rc = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

}  // namespace velmora::posix
