#include "platform/posix/filesystem_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/posix/unique_fd.h"

namespace velmora::posix {

namespace {

// A path that holds a NUL would name another file once handed to the system.
bool Usable(std::string_view path) {
  return !path.empty() && path.find('\0') == std::string_view::npos;
}

struct DirClose {
  void operator()(DIR* d) const noexcept { ::closedir(d); }
};

std::int64_t Nanoseconds(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

bool PosixFileSystem::FileExists(std::string_view path) {
  if (!Usable(path)) return false;
  const std::string p(path);
  // Non-blocking, so that a named pipe does not hold the open until a writer comes.
  UniqueFd fd(::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) return false;
  struct stat st {};
  return ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::vector<FileEntry>> PosixFileSystem::ListFolder(std::string_view folder) {
  if (!Usable(folder)) return std::nullopt;
  const std::string p(folder);
  std::unique_ptr<DIR, DirClose> dir(::opendir(p.c_str()));
  if (!dir) return std::nullopt;
  const int dfd = ::dirfd(dir.get());
  std::vector<FileEntry> entries;
  for (;;) {
    // A listing cut short by a read error would name the wrong newest file.
    errno = 0;
    const dirent* d = ::readdir(dir.get());
    if (!d) {
      if (errno != 0) return std::nullopt;
      break;
    }
    struct stat st {};
    if (::fstatat(dfd, d->d_name, &st, 0) != 0) continue;
    const bool directory = S_ISDIR(st.st_mode);
    if (!directory && !S_ISREG(st.st_mode)) continue;
    FileEntry e;
    e.name = d->d_name;
    e.directory = directory;
    e.hidden = e.system = e.name.front() == '.';
    e.lastWrite = Nanoseconds(st.st_mtim);
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace velmora::posix
