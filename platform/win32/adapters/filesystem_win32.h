// The file-system port over the Windows file APIs: the file check and folder
// enumeration of the attachment resolution, with the real hidden and system
// attributes and last-write times. Free of windows.h.
#pragma once

#include "common/filesystem.h"

namespace velmora::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  char Separator() const override { return '\\'; }
  // Opens the path for no access with no sharing, as the file check of the
  // schedule has always done: True for an existing file, False for a folder.
  bool FileExists(std::string_view path) override;
  // folder + "\*": every entry, "." and ".." included, in the order the file
  // system gives. Last-write times are FILETIME ticks.
  std::optional<std::vector<FileEntry>> ListFolder(std::string_view folder) override;
};

}  // namespace velmora::win32
