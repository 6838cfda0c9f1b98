// The file-system port on POSIX: file checks and folder listings for the
// attachment resolution. A dot-file counts as hidden and system both, so the
// default ignore switch passes over it as it passes over such files on
// Windows.
#pragma once

#include "common/filesystem.h"

namespace velmora::posix {

class PosixFileSystem final : public FileSystem {
 public:
  char Separator() const override { return '/'; }
  // True only for an existing regular file (or a link to one) that opens for reading.
  bool FileExists(std::string_view path) override;
  // Directories and regular files of the folder, "." and ".." included, in
  // the order readdir gives them. Entries that are neither (pipes, sockets,
  // devices, dangling links) are left out: they cannot be attached.
  std::optional<std::vector<FileEntry>> ListFolder(std::string_view folder) override;
};

}  // namespace velmora::posix
