#include "addin/model/file_utils.h"

#include <optional>
#include <vector>

#include "addin/model/ignore_list.h"
#include "common/filesystem.h"
#include "common/host_error.h"
#include "common/services.h"

namespace velmora {

namespace mFileUtils {

bool FileExists(std::string_view path) {
  return TheFiles().FileExists(path);
}

}  // namespace mFileUtils

namespace Main {

std::string GetNewestFile(std::string_view folder) {
  return GetNewestFile(folder, Need(g_IgnoreList, "Object variable not set (g_IgnoreList)"));
}

std::string GetNewestFile(std::string_view folder, const CIgnoreList& ignore) {
  FileSystem& files = TheFiles();
  const std::optional<std::vector<FileEntry>> entries = files.ListFolder(folder);
  if (!entries) return {};
  const FileEntry* newest = nullptr;
  for (const FileEntry& e : *entries) {
    if (e.directory) continue;
    if (ignore.IgnoreSysHiden() && e.hidden && e.system) continue;
    if (ignore.Find(e.name)) continue;
    // Strictly newer only: of equal times the one listed first stays.
    if (!newest || newest->lastWrite < e.lastWrite) newest = &e;
  }
  if (!newest) return {};
  std::string path(folder);
  path += files.Separator();
  path += newest->name;
  return path;
}

}  // namespace Main

}  // namespace velmora
