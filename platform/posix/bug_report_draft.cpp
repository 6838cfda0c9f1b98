#include "platform/posix/bug_report_draft.h"

#include "addin/store/folder.h"
#include "addin/support/bug_report.h"
#include "common/host_error.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::posix {

SavedBugReport SaveBugReportToDrafts(MailHost& host) {
  sql::WriteTransaction tx(host.Store().Db());
  host::MailItemPtr mail =
      NeedPtr(mBugReport::MakeBugReport(), "The bug report could not be made (see the log)");
  auto drafts =
      NeedPtr(NeedPtr(host.App()->GetNamespace("MAPI"))->GetDefaultFolder(host::ol::kFolderDrafts));
  SavedBugReport saved;
  saved.logPath = mBugReport::LogFilePath();
  saved.logAttached = NeedPtr(mail->Attachments())->Count() > 0;
  host::MailItemPtr moved = NeedPtr(mail->Move(drafts), "The bug report could not be saved");
  saved.entryId = moved->EntryID();
  saved.folderPath = Main::GetFolderPath(drafts);
  tx.Commit();
  return saved;
}

}  // namespace velmora::posix
