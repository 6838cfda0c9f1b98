// What `velmora schedule` and `velmora reschedule` do alike once they hold
// the mail: the schedule applied to its record and written onto it, the move
// into the scheduled-mail folder, and the report to the user.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/host.h"
#include "apps/velmora/store_session.h"
#include "platform/posix/schedule_request.h"

namespace velmora::cli {

// Applies the request to the record (a refused request is a UsageError),
// checks the mail's recipients when `checkRecipients`, then writes the record
// onto the mail, saves it and reads the schedule back. Returns the notes for
// the user.
std::vector<std::string> ScheduleMail(StoreSession& session, const posix::ScheduleRequest& request,
                                      CMailProps& record, const host::MailItemPtr& mail,
                                      bool checkRecipients);

// Moves the mail into the scheduled-mail folder; its entry id there.
std::string MoveToScheduled(const host::MailItemPtr& mail, const host::FolderPtr& folder);

// "velmora COMMAND: note: ..." on standard error for each note, then
// "VERB: ID", the first send with the pattern in words, and for a
// recurrence the count and end date its dialog would show.
void ReportScheduled(std::ostream& out, const std::string& command, const std::string& verb,
                     const std::string& id, const std::vector<std::string>& notes,
                     const CMailProps& record);

}  // namespace velmora::cli
