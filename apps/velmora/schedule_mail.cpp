#include "apps/velmora/schedule_mail.h"

#include <iostream>
#include <utility>

#include "addin/dialogs/frm_recurrence.h"
#include "addin/store/folder.h"
#include "addin/store/sending.h"
#include "apps/velmora/command.h"
#include "common/host_error.h"
#include "common/services.h"
#include "platform/posix/schedule_listing.h"
#include "platform/posix/store/recipients.h"

namespace velmora::cli {

namespace {

// The range's end as the recurrence dialog shows it for this record: with no
// end, where its ten occurrences end; otherwise the count up to the end date.
std::string RangeLine(const CMailProps& record) {
  CMailProps pattern = record;
  std::int32_t count = record.m_NoEndDate ? 10 : 0;
  DateTime end = record.m_PatternEndDate;
  if (!PreviewRangeEnd(pattern, record.m_NoEndDate, count, end)) return {};
  const std::string last = DateText(end.DatePart());
  if (record.m_NoEndDate) return "range: no end date (10 occurrences end on " + last + ")";
  return "range: " + std::to_string(count) + (count == 1 ? " occurrence" : " occurrences") +
         ", ending " + last;
}

}  // namespace

std::vector<std::string> ScheduleMail(StoreSession& session, const posix::ScheduleRequest& request,
                                      CMailProps& record, const host::MailItemPtr& mail,
                                      bool checkRecipients) {
  std::vector<std::string> notes;
  try {
    notes = posix::ApplySchedule(request, record);
  } catch (const posix::ScheduleError& e) {
    throw UsageError(e.what());
  }
  if (checkRecipients) {
    // Named by the option and the address: the host's own box would only
    // say that some recipient was not recognised.
    const std::pair<const char*, std::string> lists[] = {
        {"--to", mail->To()}, {"--cc", mail->CC()}, {"--bcc", mail->BCC()}};
    for (const auto& [option, list] : lists)
      for (const posix::Recipient& r : posix::SplitRecipients(list))
        if (!posix::IsValidAddress(r.address))
          throw UsageError(std::string(option) + ": \"" + r.address +
                           "\" is not an e-mail address (write name@domain, or Name "
                           "<name@domain>)");
  }
  if (checkRecipients && !Main::CheckRecipients(mail))
    throw UsageError(session.Messages().empty() ? "the recipients were refused"
                                                : session.Messages().back());
  record.WriteProps(mail);
  mail->Save();
  DateTime stored;
  if (!Main::GetUserProp(mail, stored) || stored != record.m_ScheduleTime)
    Raise(err::kFileIo, "the schedule could not be written onto the mail (see the log)");
  return notes;
}

std::string MoveToScheduled(const host::MailItemPtr& mail, const host::FolderPtr& folder) {
  return NeedPtr(mail->Move(folder), "The mail could not be moved into the scheduled-mail folder")
      ->EntryID();
}

void ReportScheduled(std::ostream& out, const std::string& command, const std::string& verb,
                     const std::string& id, const std::vector<std::string>& notes,
                     const CMailProps& record) {
  for (const std::string& note : notes)
    std::cerr << "velmora " << command << ": note: " << note << "\n";
  out << verb << ": " << id << "\n"
      << "first send: " << DateText(record.m_ScheduleTime) << " (" << posix::PatternInWords(record)
      << ")\n";
  if (record.m_IsRecurring) {
    const std::string range = RangeLine(record);
    if (!range.empty()) out << range << "\n";
  }
}

}  // namespace velmora::cli
