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
#include "apps/velmora/schedule_mail.h"
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

  void Validate() override { schedule_.Validate(); }

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
    const std::vector<std::string> notes = ScheduleMail(session, request, record, mail, !scheduled);
    const std::string id = scheduled ? mail->EntryID() : MoveToScheduled(mail, folder);
    tx.Commit();
    session.SaveNextOccurence();

    ReportScheduled(out, "reschedule", "rescheduled", id, notes, record);
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
