#include "platform/posix/host_runtime.h"

#include <signal.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "addin/connect/connect.h"
#include "addin/store/addin_services.h"
#include "addin/store/folder.h"
#include "addin/store/send_notices.h"
#include "addin/store/sending.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/trap.h"
#include "common/winreg.h"
#include "platform/posix/delivery_retry.h"
#include "platform/posix/event_loop.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/host/sync_object.h"
#include "platform/posix/host_lock.h"
#include "platform/posix/outbox_listing.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/run_progress.h"
#include "platform/posix/schedule_listing.h"
#include "platform/posix/sent_retention.h"
#include "platform/posix/store/sqlite.h"
#include "platform/posix/store/store_error.h"
#include "platform/posix/terminal_ports.h"
#include "platform/posix/tick_transaction.h"
#include "platform/posix/transport/transport_factory.h"
#include "platform/posix/xml_pugi.h"
#include "tray/reg_params.h"

namespace velmora::posix {

namespace {

// A write to a closed pipe (stdout of a finished reader, a dropped SMTP
// socket) must fail as an error, not end the host.
class IgnoreSigpipe {
 public:
  IgnoreSigpipe() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &saved_);
  }
  ~IgnoreSigpipe() { ::sigaction(SIGPIPE, &saved_, nullptr); }
  IgnoreSigpipe(const IgnoreSigpipe&) = delete;
  IgnoreSigpipe& operator=(const IgnoreSigpipe&) = delete;

 private:
  struct sigaction saved_ {};
};

int SubmittedInOutbox(MailStore& store) {
  int n = 0;
  const auto outbox = store.DefaultFolder(host::ol::kFolderOutbox).id;
  for (const auto& id : store.ItemIds(outbox)) {
    const auto item = store.LoadItem(id);
    if (item && item->fields.submitted) ++n;
  }
  return n;
}

void WriteNextOccurence(const std::string& text) {
  CWinReg reg;
  if (reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, kSettingsKey, true))
    reg.SetString(kValueNextOccurence, text);
}

// A mail that leaves without some of its attachment sources carries them in
// a property of its own, which `velmora list --outbox/--sent` shows, and the
// person watching the host is told at once.
class MissingSourceNotices final : public SendNoticePort {
 public:
  explicit MissingSourceNotices(std::ostream& out) : out_(out) {}
  void MissingSources(const host::MailItemPtr& mail,
                      const std::vector<std::string>& sources) override {
    std::string list;
    for (const std::string& s : sources)
      list += (list.empty() ? "\"" : "; \"") + s + "\"";
    Need(mail);
    auto props = NeedPtr(mail->UserProperties());
    auto prop = props->Find(kMissingSourcesProperty);
    if (!prop) prop = props->Add(kMissingSourcesProperty, 1);
    NeedPtr(prop)->SetValue(host::Value(list));
    mail->Save();
    out_ << "velmora: \"" << mail->Subject() << "\" (id " << mail->EntryID()
         << ") is sent without its attachment source(s) " << list
         << ": missing, or a folder without files" << std::endl;
  }

 private:
  std::ostream& out_;
};

class Runtime {
 public:
  explicit Runtime(const RuntimeOptions& o)
      : options_(o),
        storePath_(MailHost::DefaultStorePath()),
        lock_(HostLock::DefaultPath()),
        progress_(o.progress),
        box_(o.errors) {}

  int Run() {
    if (!lock_.TryAcquire()) {
      *options_.errors
          << "velmora run: another velmora host is already running for this user (lock "
          << HostLock::DefaultPath().string() << ")\n";
      return kRunRefused;
    }

    IgnoreSigpipe sigpipe;
    EventLoop loop;
    loop_ = &loop;
    for (int signo : {SIGINT, SIGTERM, SIGHUP})
      loop.OnSignal(signo, [this](int s) { Stop(s); });

    std::unique_ptr<MailHost> host = MailHost::Open(storePath_, {.dispatcher = &loop});
    host_ = host.get();
    // Only once the store is there: a host that never started must not leave
    // the flag for the user's next, ordinary run.
    if (options_.sendAndExit && !tray::SetRegParamFlag())
      Raise(err::kFileIo, "cannot write \"SendAndExit\" to the registry");
    // Sent mails older than the setting give their attachments' bytes back.
    Ignore([&] { DropExpiredSentAttachments(host->Store(), Now()); });
    const TransportSettings settings = LoadTransportSettings(host->Store());
    std::unique_ptr<Transport> transport = MakeTransport(settings);
    ReportingTransport reporting(*transport, progress_);
    host->SetTransport(&reporting);

    SendReceiveKeys keys(host->App());
    XdgShell shell;
    PugiXmlFactory xml;
    bool connected = false;
    // Should this host die before they leave, the mails a pass submitted
    // must bring the tray launcher to start another. Mails that failed
    // before wait, as they always have, for the next due time.
    int submittedBefore = 0;
    TransactionalTimers timers(
        loop, host->Store().Db(),
        {.registry = dynamic_cast<SqliteRegistry*>(GetServices().registry),
         .beforeTick = [&] { submittedBefore = SubmittedInOutbox(host->Store()); },
         .beforeCommit =
             [&] {
               if (SubmittedInOutbox(host->Store()) > submittedBefore)
                 WriteNextOccurence(DateText(Now()));
               else
                 KeepNextOccurenceBefore(LoadRetry(host->Store()).at);
             },
         .onFailure =
             [this](const std::string& why) {
               ++failures_;
               *options_.errors << "velmora: a sending pass failed and was undone: " << why
                                << " (the mails stay as they were)" << std::endl;
             }});
    MissingSourceNotices notices(*options_.errors);
    ScopedSendNotices useNotices(&notices);
    ScopedAddinServices addinServices(
        {&host->Objects(), &box_, &keys, &shell, &timers, &xml, host->App()});
    Main::ResetVelmoraFolderLookup();

    auto group = NeedPtr(NeedPtr(host->App()->GetNamespace("MAPI"))->SyncObjects())->Item(1);
    // Before the subscriptions, which use it, and so gone after them.
    // Mails a send/receive could not deliver are tried again after a
    // growing delay, by this host or, should it stop, by the one the
    // launcher starts for the next due time (never later than the retry).
    std::unique_ptr<Timer> retryTimer = loop.CreateTimer();
    retryTimer->SetHandler([&retryTimer, &group] {
      retryTimer->SetEnabled(false);
      Ignore([&] { group->Start(); });
    });
    std::vector<host::SubscriptionPtr> subs;
    bool sendReceiveEnded = false;
    subs.push_back(group->OnError([this](int code, const std::string& description) {
      if (code == store_err::kHeldBack) return;  // OnHeld tells it
      ++failures_;
      // Shown even when progress is not: a mail that did not leave needs the
      // user whether or not anyone watches the progress.
      Ignore([&] {
        *options_.errors << "velmora: delivery failed: " << description
                         << " (the mail stays in the Outbox)" << std::endl;
      });
      // The add-in logs only the send/receive it waits for; a failure of any
      // other (a daemon's, the leftovers') must reach the log as well.
      Ignore([&] { g_debug().OutWarning("HostRuntime.SendReceive", description); });
    }));
    subs.push_back(host->Context().SyncGroup()->OnHeld(
        [this](const std::string& id, const std::string& subject) {
          const std::string text = HeldBackText(subject, id);
          Ignore([&] { g_debug().OutWarning("HostRuntime.SendReceive", text); });
          // Whoever watches must act on it: shown even when progress is not.
          Ignore([&] { *options_.errors << "velmora: " << text << std::endl; });
        }));
    subs.push_back(group->OnSyncEnd([this, &sendReceiveEnded, &connected, &retryTimer, &host] {
      sendReceiveEnded = true;
      std::optional<DateTime> retry;
      Ignore([&] {
        const DateTime now = Now();
        retry = PlanRetry(host->Store(), SubmittedInOutbox(host->Store()) > 0, now);
        retryTimer->SetEnabled(false);
        if (retry) {
          retryTimer->SetInterval(static_cast<int>((retry->Seconds() - now.Seconds()) * 1000));
          retryTimer->SetEnabled(true);
          *options_.errors << "velmora: the mail(s) left in the Outbox are tried again at "
                           << DateText(*retry) << std::endl;
        }
      });
      // The Outbox is done with: the next due time is the schedule's again,
      // or the retry when that comes first.
      if (connected) Ignore([] { Main::SaveNextOccurence(); });
      Ignore([&] { KeepNextOccurenceBefore(retry); });
      progress_.SendReceiveEnded(tray::NextOccurenceText());
    }));

    // Mails an earlier run submitted but could not transmit (stopped, killed,
    // server away) go first, before anything new joins them.
    if (const int left = SubmittedInOutbox(host->Store()); left > 0) {
      progress_.Recovering(left);
      if (Ignore([&] { group->Start(); }))
        while (!sendReceiveEnded && !loop.RunOnce(std::chrono::milliseconds(1000))) {
        }
    }
    if (loop.QuitPending()) return Finish(loop, nullptr);

    Connect connect;
    {
      // Attaching creates the folder, its view and the shortcut: all or none.
      sql::WriteTransaction tx(host->Store().Db());
      auto addIn = host->RegisterAddIn("Velmora.Connect", "Velmora");
      explorer_ = host->OpenExplorer();
      subs.push_back(explorer_->OnClose([this] {
        if (host_->Context().Explorers().empty()) {
          if (exitWhy_.empty()) exitWhy_ = "the add-in closed the host after sending";
          loop_->Quit(0);
        }
      }));
      connect.OnConnection(host->App(), 1, addIn);
      connect.OnStartupComplete();
      tx.Commit();
      connected = true;
    }
    std::optional<DateTime> nextDue;
    Ignore([&] { nextDue = Main::EarliestScheduled(Main::GetVelmoraFolder(false)); });
    progress_.Started(storePath_.string(),
                      settings.smtpUrl.empty() ? "to the Maildir " + settings.maildir.string()
                                               : "by SMTP to " + settings.smtpUrl,
                      nextDue, options_.sendAndExit);
    return Finish(loop, &connect);
  }

 private:
  int Finish(EventLoop& loop, Connect* connect) {
    if (connect) {
      if (!loop.QuitPending()) loop.Run();
      // Whatever is still being transmitted stays submitted in the Outbox.
      connect->OnBeginShutdown();
      connect->OnDisconnection(0);
    }
    explorer_.reset();
    progress_.Exiting(exitWhy_.empty() ? std::string("stopped") : exitWhy_);
    if (options_.sendAndExit && failures_ > 0) {
      *options_.errors << "velmora run: " << failures_
                       << " failure(s) while sending what was due (see above); what could not "
                          "leave is kept"
                       << std::endl;
      return kRunUndelivered;
    }
    return kRunDone;
  }

  void Stop(int signo) {
    exitWhy_ = signo == SIGINT   ? "interrupted (SIGINT)"
               : signo == SIGHUP ? "hung up (SIGHUP)"
                                 : "stopped (SIGTERM)";
    // A clean close: the explorer goes as the user would close it, so the
    // add-in lets go of the host before the loop ends.
    Firewall("HostRuntime.Stop", [&] {
      if (explorer_) explorer_->Close();
    });
    loop_->Quit(0);
  }

  const RuntimeOptions& options_;
  std::filesystem::path storePath_;
  HostLock lock_;
  RunProgress progress_;
  TerminalMessageBox box_;
  EventLoop* loop_ = nullptr;
  MailHost* host_ = nullptr;
  std::shared_ptr<HostExplorer> explorer_;
  std::string exitWhy_;
  int failures_ = 0;
};

}  // namespace

int RunHost(const RuntimeOptions& options) {
  return Runtime(options).Run();
}

}  // namespace velmora::posix
