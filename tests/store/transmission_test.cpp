// At-most-once transmission: a transport that cannot tell a redelivery (SMTP)
// gets a mail only once the store has committed it as underway; a mail found
// still underway by a later send/receive is held back in the Outbox, not sent
// blindly, until the user sends it again.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/host/mail_host.h"
#include "platform/posix/host/sync_object.h"
#include "platform/posix/store/sqlite.h"
#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace tx = posix::transmission;

// A transport that can tell a redelivery (as a Maildir can) or not (as an
// SMTP server cannot), and that can look at the store the moment it is
// handed each mail.
class WireProbe final : public posix::Transport {
 public:
  std::function<void()> onDeliver;
  bool detects = false;
  std::vector<std::string> delivered;

  void Deliver(const posix::OutgoingMail& mail) override {
    if (onDeliver) onDeliver();
    delivered.push_back(mail.subject);
  }
  bool CanDetectRedelivery() const override { return detects; }
  bool AlreadyDelivered(std::string_view) const override { return false; }
};

class Transmission : public ::testing::Test {
 protected:
  TempDir dir{"transmission"};
  std::filesystem::path path = dir.Path() / "store.db";
  ManualClock clock{DateTime::FromParts(2026, 12, 7, 9, 0, 0)};
  ManualDispatcher loop;
  WireProbe wire;
  std::unique_ptr<posix::MailHost> mail =
      posix::MailHost::Open(path, {.dispatcher = &loop, .transport = &wire, .clock = &clock});
  host::NameSpacePtr ns = mail->App()->GetNamespace("MAPI");
  std::vector<std::string> held;
  host::SubscriptionPtr onHeld = mail->Context().SyncGroup()->OnHeld(
      [this](const std::string& id, const std::string& subject) {
        held.push_back(id + " " + subject);
      });

  std::string Submit(const std::string& subject) {
    auto item = ns->GetDefaultFolder(host::ol::kFolderDrafts)->Items()->Add(host::ol::kMailItem);
    item->SetSubject(subject);
    item->SetTo("ann@example.com");
    item->Save();
    Resubmit(item->EntryID());
    return item->EntryID();
  }
  void Resubmit(const std::string& id) {
    auto safe = mail->Objects().CreateSafeMailItem();
    safe->SetItem(ns->GetItemFromID(id));
    safe->Send();
  }
  void SendReceive() {
    ns->SyncObjects()->Item(1)->Start();
    loop.Drain();
  }
  posix::ItemFields Fields(const std::string& id) { return mail->Store().LoadItem(id)->fields; }
  int Outboxed() { return ns->GetDefaultFolder(host::ol::kFolderOutbox)->Items()->Count(); }
  // The item's state as another process would read it: committed or not at all.
  int CommittedState(const std::string& id) {
    return posix::MailStore::Open(path)->LoadItem(id)->fields.transmission;
  }
};

TEST_F(Transmission, OnlyATransportThatCannotTellARedeliveryGetsAMailCommittedAsUnderway) {
  for (bool detects : {false, true}) {
    wire.detects = detects;
    const std::string id = Submit(detects ? "local" : "report");
    int seen = -1;
    wire.onDeliver = [&] { seen = CommittedState(id); };
    SendReceive();
    EXPECT_EQ(seen, detects ? tx::kNone : tx::kUnderway);
    const auto f = Fields(id);
    EXPECT_TRUE(f.sent);
    EXPECT_EQ(f.transmission, tx::kNone);
  }
  EXPECT_EQ(wire.delivered, (std::vector<std::string>{"report", "local"}));
}

TEST_F(Transmission, AMailLeftUnderwayIsHeldUntilResubmittedThenSentOnce) {
  const std::string id = Submit("maybe gone");
  Submit("plain");
  mail->Store().SetTransmission(id, tx::kUnderway);  // as a host killed meanwhile leaves it
  SendReceive();
  SendReceive();
  EXPECT_EQ(wire.delivered, std::vector<std::string>{"plain"});
  EXPECT_FALSE(Fields(id).submitted);
  EXPECT_EQ(Fields(id).transmission, tx::kHeld);
  EXPECT_EQ(Outboxed(), 1);
  EXPECT_EQ(held, std::vector<std::string>{id + " maybe gone"}) << "told once";

  Resubmit(id);
  SendReceive();
  SendReceive();
  EXPECT_EQ(wire.delivered, (std::vector<std::string>{"plain", "maybe gone"}));
  EXPECT_TRUE(Fields(id).sent);

  // With no transport to ask, it is held too.
  const std::string nowhere = Submit("nowhere to ask");
  mail->Store().SetTransmission(nowhere, tx::kUnderway);
  mail->SetTransport(nullptr);
  SendReceive();
  EXPECT_EQ(Fields(nowhere).transmission, tx::kHeld);
}

TEST_F(Transmission, AMailIsNotHandedOverInsideAnOpenTransaction) {
  const std::string id = Submit("inside");
  {
    // A rolled-back transaction would take the mark with it, and the mail
    // would go again after a crash.
    posix::sql::WriteTransaction open(mail->Store().Db());
    EXPECT_EQ(ErrorOf([&] { mail->Store().SetTransmission(id, tx::kUnderway); }),
              posix::store_err::kFailed);
    SendReceive();
  }
  EXPECT_TRUE(wire.delivered.empty());
  auto f = Fields(id);
  EXPECT_TRUE(f.submitted);
  EXPECT_EQ(f.transmission, tx::kNone);
  SendReceive();
  EXPECT_EQ(wire.delivered.size(), 1u);
}

TEST(TransmissionSchema, AStoreWrittenBeforeTheMarkExistedKeepsItsMailsUnmarked) {
  TempDir dir{"schema"};
  const auto path = dir.Path() / "store.db";
  posix::ItemChanges c;
  c.fields.subject = "from the old days";
  std::string id;
  {
    auto store = posix::MailStore::Open(path);
    c.folderId = store->DefaultFolder(host::ol::kFolderOutbox).id;
    id = store->SaveItem(c, DateTime::FromParts(2026, 12, 7, 9, 0, 0));
    store->SetSubmitted(id, true);
  }
  sqlite3* raw = nullptr;  // the table as the first version of the store made it
  ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(raw, "ALTER TABLE items DROP COLUMN transmission; PRAGMA user_version = 1",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(raw);
  auto store = posix::MailStore::Open(path);
  ASSERT_TRUE(store->LoadItem(id));
  EXPECT_EQ(store->LoadItem(id)->fields.subject, "from the old days");
  EXPECT_TRUE(store->LoadItem(id)->fields.submitted);
  EXPECT_EQ(store->LoadItem(id)->fields.transmission, tx::kNone);
  store->SetTransmission(id, tx::kHeld);
  EXPECT_EQ(store->LoadItem(id)->fields.transmission, tx::kHeld);
}

}  // namespace
}  // namespace velmora::test
