// velmora reschedule: gives a scheduled mail (or one that was cancelled into
// Drafts) a new schedule — once or a recurrence — keeping its content and
// attachment sources.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "addin/model/mail_props.h"
#include "addin/store/folder.h"
#include "addin/store/sending.h"
#include "apps/velmora/command.h"
#include "apps/velmora/schedule_options.h"
#include "apps/velmora/store_session.h"
#include "common/host_error.h"
#include "common/services.h"
#include "platform/posix/schedule_listing.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::cli {

namespace {

class RescheduleCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    sub.add_option("ID", id_, "The mail's id, as velmora list shows it")->required();
    schedule_.Define(sub);
  }

  void Validate() override {
    if (!schedule_.Given())
      throw UsageError(
          "--at: give --at TIME, or a recurrence (--daily, --weekly, --monthly, "
          "--yearly or --type)");
  }

  int Run(std::ostream& out) override {
    const posix::ScheduleRequest request = schedule_.Resolve();
    StoreSession session;
    posix::sql::WriteTransaction tx(session.Host().Store().Db());
    host::MailItemPtr mail = session.Item(id_);
    host::FolderPtr folder = session.VelmoraFolder(true);
    const bool scheduled = StoreSession::IsIn(mail, folder);
    auto drafts = session.Namespace()->GetDefaultFolder(host::ol::kFolderDrafts);
    if (!scheduled && !StoreSession::IsIn(mail, drafts))
      throw UsageError("the mail '" + id_ + "' is neither scheduled nor in Drafts");

    CMailProps record;
    record.ReadProps(mail);  // keeps the attachment sources
    std::vector<std::string> notes;
    try {
      notes = posix::ApplySchedule(request, record);
    } catch (const posix::ScheduleError& e) {
      throw UsageError(e.what());
    }
    if (!scheduled && !Main::CheckRecipients(mail))
      throw UsageError(session.Messages().empty() ? "the recipients were refused"
                                                  : session.Messages().back());
    record.WriteProps(mail);
    mail->Save();
    DateTime stored;
    if (!Main::GetUserProp(mail, stored) || stored != record.m_ScheduleTime)
      Raise(err::kFileIo, "the schedule could not be written onto the mail (see the log)");
    std::string id = mail->EntryID();
    if (!scheduled)
      id = NeedPtr(mail->Move(folder), "The mail could not be moved into the scheduled-mail folder")
               ->EntryID();
    tx.Commit();
    session.SaveNextOccurence();

    for (const std::string& note : notes)
      std::cerr << "velmora reschedule: note: " << note << "\n";
    out << "rescheduled: " << id << "\n"
        << "first send: " << DateText(record.m_ScheduleTime) << " ("
        << posix::PatternInWords(record) << ")\n";
    return 0;
  }

 private:
  std::string id_;
  ScheduleOptions schedule_;
};

[[maybe_unused]] const bool kRegistered =
    RegisterCommand({"reschedule", "Give a scheduled mail a new schedule, keeping its content",
                     [] { return std::make_unique<RescheduleCommand>(); }});

}  // namespace

}  // namespace velmora::cli
