// An advisory lock on a file, held by one owner at a time and released when
// the owner lets go or its process dies: how the POSIX deliverables say "I
// am running" to each other. Open-file-description locks, so that asking
// whether the lock is held never takes it, not even for an instant.
#pragma once

#include <filesystem>

namespace velmora::posix {

class FileLock {
 public:
  explicit FileLock(std::filesystem::path path) : path_(std::move(path)) {}
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock, creating the file (0600, its folder 0700) when missing;
  // False when another owner holds it. Raises HostError when the file cannot
  // be opened or locked for another reason.
  bool TryAcquire();
  void Release() noexcept;
  bool Held() const noexcept { return fd_ >= 0; }
  const std::filesystem::path& Path() const noexcept { return path_; }

  // True when some owner (in this process or another) holds the lock on the
  // file; a missing file is not held. Never creates or takes anything.
  static bool IsHeld(const std::filesystem::path& path);

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

}  // namespace velmora::posix
