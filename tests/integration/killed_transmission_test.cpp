// A host killed for real while a mail is on its way: the send/receive runs in
// a child process over a store file, and the child dies (no unwinding, as
// with SIGKILL) right after the transport took the mail. The next host must
// not send it again blindly: over SMTP, which cannot be asked, the mail is
// held in the Outbox for the user; into a Maildir, which can, it is found
// delivered and filed in Sent Items.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/host/mail_host.h"
#include "platform/posix/host/sync_object.h"
#include "platform/posix/transport/maildir_transport.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"
#include "support/recording_transport.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

constexpr int kKilled = 9;

// Hands the mail on, then ends the process before the host hears back.
class DyingTransport final : public posix::Transport {
 public:
  explicit DyingTransport(posix::Transport& inner) : inner_(inner) {}
  void Deliver(const posix::OutgoingMail& mail) override {
    inner_.Deliver(mail);
    ::_exit(kKilled);
  }
  bool CanDetectRedelivery() const override { return inner_.CanDetectRedelivery(); }
  bool AlreadyDelivered(std::string_view id) const override { return inner_.AlreadyDelivered(id); }

 private:
  posix::Transport& inner_;
};

class KilledTransmission : public ::testing::Test {
 protected:
  TempDir home{"killed-tx"};
  std::filesystem::path store = home.Path() / "store.db";
  std::filesystem::path maildir = home.Path() / "Maildir";
  ManualClock clock{DateTime::FromParts(2026, 12, 7, 9, 0, 0)};
  ManualDispatcher loop;

  std::unique_ptr<posix::MailHost> Open(posix::Transport* wire) {
    return posix::MailHost::Open(store, {.dispatcher = &loop, .transport = wire, .clock = &clock});
  }

  std::string SubmitOne() {
    auto host = Open(nullptr);
    auto ns = host->App()->GetNamespace("MAPI");
    auto item = ns->GetDefaultFolder(host::ol::kFolderDrafts)->Items()->Add(host::ol::kMailItem);
    item->SetSubject("on its way");
    item->SetTo("ann@example.com");
    item->Save();
    auto safe = host->Objects().CreateSafeMailItem();
    safe->SetItem(item);
    safe->Send();
    return item->EntryID();
  }

  // Runs a send/receive in a child that dies once `inner` took the mail.
  void KillWhileSending(posix::Transport& inner) {
    EXPECT_EXIT(
        {
          DyingTransport dying(inner);
          auto host = Open(&dying);
          host->App()->GetNamespace("MAPI")->SyncObjects()->Item(1)->Start();
          loop.Drain();
          ::_exit(0);  // the transport never took the mail
        },
        ::testing::ExitedWithCode(kKilled), "");
  }

  static int MaildirFiles(const std::filesystem::path& dir) {
    int n = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir / "new", ec), end; !ec && it != end;
         it.increment(ec))
      ++n;
    return n;
  }
};

TEST_F(KilledTransmission, OverSmtpTheMailIsHeldNotSentTwice) {
  const std::string id = SubmitOne();
  RecordingTransport server;  // what "accepted" it lives in the child only
  KillWhileSending(server);

  RecordingTransport next;
  auto host = Open(&next);
  std::vector<std::string> held;
  auto sub = host->Context().SyncGroup()->OnHeld(
      [&](const std::string& heldId, const std::string&) { held.push_back(heldId); });
  host->App()->GetNamespace("MAPI")->SyncObjects()->Item(1)->Start();
  loop.Drain();

  EXPECT_EQ(next.Attempts(), 0) << "the mail went out a second time";
  EXPECT_EQ(held, std::vector<std::string>{id});
  const auto item = host->Store().LoadItem(id);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->folderId, host->Store().DefaultFolder(host::ol::kFolderOutbox).id);
  EXPECT_FALSE(item->fields.submitted);
  EXPECT_EQ(item->fields.transmission, posix::transmission::kHeld);
}

TEST_F(KilledTransmission, IntoAMaildirTheMailIsFoundDeliveredAndFiled) {
  const std::string id = SubmitOne();
  posix::MaildirTransport box(maildir);
  KillWhileSending(box);
  ASSERT_EQ(MaildirFiles(maildir), 1);

  auto host = Open(&box);
  host->App()->GetNamespace("MAPI")->SyncObjects()->Item(1)->Start();
  loop.Drain();

  EXPECT_EQ(MaildirFiles(maildir), 1) << "the mail was delivered twice";
  const auto item = host->Store().LoadItem(id);
  ASSERT_TRUE(item);
  EXPECT_TRUE(item->fields.sent);
  EXPECT_EQ(item->folderId, host->Store().DefaultFolder(host::ol::kFolderSentMail).id);
}

}  // namespace
}  // namespace velmora::test
