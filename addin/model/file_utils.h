// File helpers of the attachment resolution over the file-system port: does
// a file exist, and which is the newest eligible file of a folder.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

class CIgnoreList;

namespace mFileUtils {
// True when the path opens as an existing file; False for a missing file and
// for a folder.
bool FileExists(std::string_view path);
}  // namespace mFileUtils

namespace Main {
// The full path of the newest eligible file of the folder (not of its
// sub-folders), or empty text when there is none or the folder cannot be
// read. Passes over what g_IgnoreList names; raises 91 when there is no list.
std::string GetNewestFile(std::string_view folder);
// The same with a given ignore list.
std::string GetNewestFile(std::string_view folder, const CIgnoreList& ignore);
}  // namespace Main

}  // namespace velmora
