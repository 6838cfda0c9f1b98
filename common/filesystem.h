// File-system port: what attachment resolution asks of the disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct FileEntry {
  std::string name;  // the entry's own name, no folder
  bool directory = false;
  bool hidden = false;
  bool system = false;
  std::int64_t lastWrite = 0;  // comparable ticks; larger is newer
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The platform's own path separator ('\\' on Windows, '/' on POSIX).
  virtual char Separator() const = 0;
  // True when the path opens as an existing file; False for folders.
  virtual bool FileExists(std::string_view path) = 0;
  // Every entry of the folder itself, in the order the file system gives;
  // nothing when the folder cannot be enumerated.
  virtual std::optional<std::vector<FileEntry>> ListFolder(std::string_view folder) = 0;
};

}  // namespace velmora
