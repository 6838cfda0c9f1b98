#include "platform/posix/sent_retention.h"

#include <string>

#include "addin/store/host.h"
#include "common/text.h"
#include "platform/posix/store/mail_store.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::posix {

int KeepSentAttachmentsDays(MailStore& store) {
  const auto text = store.Setting(std::string(kSettingKeepSentAttachments));
  std::int32_t days = kDefaultKeepSentAttachmentsDays;
  if (text && !Trim(*text).empty() && (!ParseInt32(Trim(*text), days) || days < 0))
    days = kDefaultKeepSentAttachmentsDays;
  return days;
}

void SaveKeepSentAttachmentsDays(MailStore& store, int days) {
  store.SetSetting(std::string(kSettingKeepSentAttachments), std::to_string(days));
}

std::int64_t DropSentAttachments(MailStore& store, DateTime cutoff) {
  sql::WriteTransaction tx(store.Db());
  const std::int64_t sent = store.DefaultFolder(host::ol::kFolderSentMail).id;
  sql::Stmt s(store.Db(),
              "UPDATE attachments SET data = X'' WHERE length(data) > 0 AND item_id IN "
              "(SELECT id FROM items WHERE folder_id = ?1 AND sent_time <= ?2)");
  s.Bind(1, sent).Bind(2, cutoff.Seconds()).Run();
  const std::int64_t dropped = store.Db().Changes();
  tx.Commit();
  return dropped;
}

std::int64_t DropExpiredSentAttachments(MailStore& store, DateTime now) {
  const int days = KeepSentAttachmentsDays(store);
  if (days == 0) return 0;
  return DropSentAttachments(store, now.AddDays(-days));
}

}  // namespace velmora::posix
