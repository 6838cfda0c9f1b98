// Attachment resolution of the schedule record: the files its sources point
// at now, a folder source giving the newest eligible file in it.
#include <string>
#include <vector>

#include "addin/model/file_utils.h"
#include "addin/model/mail_props.h"
#include "addin/store/send_notices.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/trap.h"

namespace velmora {

namespace {

// Stored entries name folders with a trailing "\"; on a platform with another
// separator a trailing one of its own does too.
bool IsFolderEntry(std::string_view entry, char separator) {
  return entry.back() == '\\' || entry.back() == separator;
}

}  // namespace

std::vector<std::string> CMailProps::GetResolvedAttachments() const {
  return Trap("CMailProps.GetResolvedAttachments", [this] {
    std::vector<std::string> result;
    const std::size_t count = m_collAttachments.size();
    const char separator = TheFiles().Separator();
    for (std::size_t i = 0; i < count; ++i) {
      const std::string& entry = m_collAttachments[i];
      if (entry.empty()) Raise(err::kInvalidCall, "Invalid procedure call or argument");
      if (!IsFolderEntry(entry, separator)) {
        if (mFileUtils::FileExists(entry))
          result.push_back(entry);
        else
          g_debug().Out("FilePath: \"", entry, "\" not exists");
        continue;
      }
      std::string newest = Main::GetNewestFile(std::string_view(entry).substr(0, entry.size() - 1));
      if (!newest.empty())
        result.push_back(std::move(newest));
      else
        g_debug().Out("FilePath: \"", entry, "\" not exists or has no files");
    }
    return result;
  });
}

std::vector<std::string> MissingAttachmentSources(const CMailProps& record) {
  std::vector<std::string> missing;
  const char separator = TheFiles().Separator();
  for (const std::string& entry : record.m_collAttachments) {
    if (entry.empty()) continue;
    const bool found =
        IsFolderEntry(entry, separator)
            ? !Main::GetNewestFile(std::string_view(entry).substr(0, entry.size() - 1)).empty()
            : mFileUtils::FileExists(entry);
    if (!found) missing.push_back(entry);
  }
  return missing;
}

}  // namespace velmora
