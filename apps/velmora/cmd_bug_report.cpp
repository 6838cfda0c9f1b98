// velmora bug-report: the add-in's bug-report mail, addressed to support and
// kept in Drafts with the log attached, for the user to describe the fault
// and send.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "addin/support/bug_report.h"
#include "apps/velmora/command.h"
#include "apps/velmora/store_session.h"
#include "platform/posix/bug_report_draft.h"
#include "platform/posix/os_version_posix.h"

namespace velmora::cli {

namespace {

class BugReportCommand final : public Command {
 public:
  void Define(CLI::App&) override {}

  int Run(std::ostream& out) override {
    StoreSession session;
    // The host loads the add-in at every start; the report lists it as such.
    session.Host().RegisterAddIn("Velmora.Connect", "Velmora");
    posix::UnameOsVersion os;
    OsVersionPort* saved = mBugReport::GetOsVersionPort();
    mBugReport::SetOsVersionPort(&os);
    struct Restore {
      OsVersionPort* port;
      ~Restore() { mBugReport::SetOsVersionPort(port); }
    } restore{saved};
    const posix::SavedBugReport report = posix::SaveBugReportToDrafts(session.Host());
    out << "bug report to " << mBugReport::kSupportAddress << " saved in " << report.folderPath
        << " (id " << report.entryId << ")";
    if (report.logAttached)
      out << " with the log " << report.logPath << " attached\n";
    else
      out << "; no log to attach (" << report.logPath << " does not exist)\n";
    out << "Open it, describe the fault above the marked line and send it.\n";
    return 0;
  }
};

[[maybe_unused]] const bool kRegistered =
    RegisterCommand({"bug-report", "Put a bug-report mail for support into Drafts",
                     [] { return std::make_unique<BugReportCommand>(); }});

}  // namespace

}  // namespace velmora::cli
