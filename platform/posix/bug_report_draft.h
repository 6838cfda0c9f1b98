// The bug-report mail on the standalone host: there is no mail window to show
// it in, so it is kept in Drafts, where the user completes and sends it.
#pragma once

#include <string>

#include "platform/posix/host/mail_host.h"

namespace velmora::posix {

struct SavedBugReport {
  std::string entryId;     // of the mail in Drafts
  std::string folderPath;  // "Personal Folders\Drafts"
  std::string logPath;     // the add-in's log, attached when it exists
  bool logAttached = false;
};

// Builds the add-in's report mail over the host (the add-in services must be
// installed) and saves it into Drafts in one transaction. Raises when the
// mail cannot be made or saved.
SavedBugReport SaveBugReportToDrafts(MailHost& host);

}  // namespace velmora::posix
