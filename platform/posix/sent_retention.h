// Sent Items keeps its mails, but not their attachments for ever: a report of
// 5 MB sent every day would grow the store by that much a day. The bytes of
// the attachments of mails sent more than a set number of days ago are
// dropped (their names and sizes stay, so the mail still says what it
// carried); `velmora purge` does it at once and gives the space back.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/datetime.h"

namespace velmora::posix {

class MailStore;

// The store setting: days a sent mail keeps its attachments; 0 keeps them.
inline constexpr std::string_view kSettingKeepSentAttachments = "KeepSentAttachmentsDays";
inline constexpr int kDefaultKeepSentAttachmentsDays = 30;

int KeepSentAttachmentsDays(MailStore& store);
void SaveKeepSentAttachmentsDays(MailStore& store, int days);

// Drops the bytes of the attachments of mails in Sent Items sent at or
// before `cutoff` (so that "older than 0 days" takes what was sent this
// second too); returns how many attachments lost their bytes.
std::int64_t DropSentAttachments(MailStore& store, DateTime cutoff);

// The cutoff the setting gives at `now`; none when attachments are kept.
std::int64_t DropExpiredSentAttachments(MailStore& store, DateTime now);

}  // namespace velmora::posix
