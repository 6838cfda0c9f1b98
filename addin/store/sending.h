// The sending engine: one pass sends every due mail of the scheduled-mail
// folder (a copy per due occurrence for recurring mails) and records the next
// due time for the tray launcher; also the recipient check run before a mail
// is scheduled.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "addin/store/host.h"
#include "common/datetime.h"

namespace velmora {

class CMailProps;
class CSyncObj;

namespace Main {

// One sending pass. `syncObj` is asked to send now when anything was due,
// watching the send/receive to its end when `bSendAndExit` is set.
void OnTimer1(CSyncObj* syncObj, bool bSendAndExit);
void SendMessage(const host::MailItemPtr& item, DateTime now);
void MoveAndSendMessage(host::MailItemPtr item, DateTime time, CMailProps& record);
// Writes the earliest pending ScheduleTime (or empty text) to "NextOccurence".
void SaveNextOccurence();
// The earliest ScheduleTime of the folder's scheduled mails; nothing when it
// holds none. Raises when the folder cannot be read.
std::optional<DateTime> EarliestScheduled(const host::FolderPtr& folder);
// True when the mail may be scheduled; tells the user why not otherwise.
bool CheckRecipients(const host::MailItemPtr& mail);
std::string GetFileName(std::string_view path);

inline constexpr std::string_view kNoRecipientsText =
    "There must be at least one name or distribution list in the To, Cc, or Bcc box.";
inline constexpr std::string_view kUnresolvedRecipientsText =
    "Microsoft Outlook can't recognize one or more recipients!";

}  // namespace Main
}  // namespace velmora
