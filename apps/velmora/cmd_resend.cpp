// velmora resend: submits a mail lying in the Outbox again — one held back
// because a host stopped while handing it to an SMTP server (it may have
// arrived, so only the user can say it should go), or one never submitted.
// The host's next send/receive sends it.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "apps/velmora/command.h"
#include "apps/velmora/store_session.h"
#include "common/host_error.h"
#include "platform/posix/store/records.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::cli {

namespace {

class ResendCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    sub.add_option("ID", id_, "The mail's id, as velmora list --outbox shows it")->required();
  }

  int Run(std::ostream& out) override {
    StoreSession session;
    auto& store = session.Host().Store();
    posix::sql::WriteTransaction tx(store.Db());
    host::MailItemPtr mail = session.Item(id_);
    auto outbox = NeedPtr(session.Namespace()->GetDefaultFolder(host::ol::kFolderOutbox));
    if (!StoreSession::IsIn(mail, outbox))
      throw UsageError("the mail '" + id_ + "' is not in the Outbox (see velmora list --outbox)");
    const auto record = store.LoadItem(mail->EntryID());
    const std::string subject = mail->Subject();
    if (record && record->fields.submitted &&
        record->fields.transmission == posix::transmission::kNone) {
      out << "\"" << subject << "\" is already waiting in the Outbox for the next send/receive\n";
      return 0;
    }
    auto safe = NeedPtr(session.Host().Objects().CreateSafeMailItem());
    safe->SetItem(mail);
    // Checks the recipients and submits, clearing the held mark.
    safe->Send();
    tx.Commit();
    out << "resubmitted: \"" << subject << "\" (id " << id_
        << ") leaves at the host's next send/receive (velmora run --send-and-exit sends it "
           "now)\n";
    return 0;
  }

 private:
  std::string id_;
};

[[maybe_unused]] const bool kRegistered = RegisterCommand(
    {"resend", "Submit a mail of the Outbox again, such as one held because it may have been sent",
     [] { return std::make_unique<ResendCommand>(); }});

}  // namespace

}  // namespace velmora::cli
