// velmora cancel: takes a mail off the schedule without losing it — its
// schedule is removed and it goes to Drafts, where it can be sent, edited or
// scheduled again.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "addin/model/mail_props.h"
#include "apps/velmora/command.h"
#include "apps/velmora/store_session.h"
#include "common/host_error.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::cli {

namespace {

class CancelCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    sub.add_option("ID", id_, "The mail's id, as velmora list shows it")->required();
  }

  int Run(std::ostream& out) override {
    StoreSession session;
    posix::sql::WriteTransaction tx(session.Host().Store().Db());
    host::MailItemPtr mail = session.Item(id_);
    if (!StoreSession::IsIn(mail, session.VelmoraFolder(false)))
      throw UsageError("the mail '" + id_ + "' is not a scheduled mail (see velmora list)");
    const std::string subject = mail->Subject();
    CMailProps().ClearProps(mail);
    mail->Save();
    auto drafts = NeedPtr(session.Namespace()->GetDefaultFolder(host::ol::kFolderDrafts));
    host::MailItemPtr moved = NeedPtr(mail->Move(drafts), "The mail could not be moved to Drafts");
    const std::string id = moved->EntryID();
    tx.Commit();
    session.SaveNextOccurence();
    out << "cancelled: \"" << subject << "\" is no longer scheduled; it was moved to Drafts (id "
        << id << ")\n";
    return 0;
  }

 private:
  std::string id_;
};

[[maybe_unused]] const bool kRegistered =
    RegisterCommand({"cancel", "Take a mail off the schedule and move it to Drafts",
                     [] { return std::make_unique<CancelCommand>(); }});

}  // namespace

}  // namespace velmora::cli
