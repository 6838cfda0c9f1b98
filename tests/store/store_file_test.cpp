// The mail store as a file: what it keeps across a reopen, the file's
// privacy, files it must not touch, two processes writing to one store at
// once, and at-most-once transmission.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <memory>
#include <set>
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

using posix::MailHost;

class StoreFile : public ::testing::Test {
 protected:
  TempDir dir{"store"};
  std::filesystem::path path = dir.Path() / "data" / "store.db";
  ManualClock clock;

  std::unique_ptr<MailHost> Open() { return MailHost::Open(path, {.clock = &clock}); }
  static host::FolderPtr Folder(MailHost& m, int kind) {
    return m.App()->GetNamespace("MAPI")->GetDefaultFolder(kind);
  }
  // Runs `f` in a child process while the parent runs `g`; the child must end well.
  static void InTwoProcesses(const std::function<void()>& f, const std::function<void()>& g) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        f();
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    g();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
};

TEST_F(StoreFile, EachFieldChangedAloneIsSavedAndReadAfterAReopen) {
  std::string id;
  {
    auto m = Open();
    auto folder = Folder(*m, host::ol::kFolderInbox)->Parent()->Folders()->Add("Velmora", 16);
    auto item = folder->Items()->Add(host::ol::kMailItem);
    item->SetSubject("fields");
    item->UserProperties()
        ->Add("ScheduleTime", host::ol::kDateTime)
        ->SetValue(DateTime::FromParts(2027, 3, 1, 8, 0, 0));
    std::ofstream(dir / "a.txt") << "attached";
    item->Attachments()->Add(dir / "a.txt", "a.txt");
    item->Save();
    id = item->EntryID();
  }
  const auto change = [&](const std::function<void(host::MailItem&)>& f) {
    auto m = Open();
    auto item = m->App()->GetNamespace("MAPI")->GetItemFromID(id);
    f(*item);
    item->Save();
  };
  change([](host::MailItem& i) { i.SetBCC("hidden@example.com"); });
  change([](host::MailItem& i) { i.SetCC("carl@example.com"); });
  change([](host::MailItem& i) { i.SetImportance(host::ol::kImportanceHigh); });
  {
    posix::ItemChanges c;  // no object of the host sets the sender
    c.entryId = id;
    c.fieldMask = posix::field::kFrom;
    c.fields.from = "me@example.net";
    Open()->Store().SaveItem(c, clock.Now());
  }
  auto m = Open();
  const auto r = m->Store().LoadItem(id);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->fields.subject, "fields");
  EXPECT_EQ(r->fields.bcc, "hidden@example.com");
  EXPECT_EQ(r->fields.cc, "carl@example.com");
  EXPECT_EQ(r->fields.importance, host::ol::kImportanceHigh);
  EXPECT_EQ(r->fields.from, "me@example.net");
  auto item = m->App()->GetNamespace("MAPI")->GetItemFromID(id);
  EXPECT_EQ(item->Parent()->FolderPath(), "\\\\Personal Folders\\Velmora");
  EXPECT_EQ(std::get<DateTime>(item->UserProperties()->Find("ScheduleTime")->GetValue()),
            DateTime::FromParts(2027, 3, 1, 8, 0, 0));
  ASSERT_EQ(item->Attachments()->Count(), 1);
  EXPECT_EQ(item->Attachments()->Item(1)->Size(), 8);
}

// A file that is no store is StoreOpen's.
TEST_F(StoreFile, TheFileIsPrivateAndANewerStoreIsRefused) {
  Open();
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(path.parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(ErrorOf([&] { Open(); }), posix::store_err::kFailed);
}

TEST_F(StoreFile, TwoProcessesCreatingAndWritingAtOnceLoseNothing) {
  InTwoProcesses([&] { Open(); }, [&] { Open(); });
  EXPECT_EQ(Folder(*Open(), host::ol::kFolderInbox)->Parent()->Folders()->Count(), 5);

  constexpr int kEach = 60;
  const auto add = [&](const std::string& tag) {
    auto m = Open();
    auto inbox = Folder(*m, host::ol::kFolderInbox);
    for (int i = 0; i < kEach; ++i) {
      auto item = inbox->Items()->Add(host::ol::kMailItem);
      item->SetSubject(tag + std::to_string(i));
      item->UserProperties()->Add("N", host::ol::kNumber)->SetValue(static_cast<double>(i));
      item->Save();
    }
  };
  InTwoProcesses([&] { add("child-"); }, [&] { add("parent-"); });
  auto m = Open();
  auto items = Folder(*m, host::ol::kFolderInbox)->Items();
  ASSERT_EQ(items->Count(), 2 * kEach);
  std::set<std::string> subjects;
  for (int i = 1; i <= items->Count(); ++i) {
    auto item = items->Item(i);
    const auto n = std::get<double>(item->UserProperties()->Find("N")->GetValue());
    subjects.insert(item->Subject().substr(0, item->Subject().find('-') + 1) +
                    std::to_string(static_cast<int>(n)));
  }
  EXPECT_EQ(subjects.size(), 2u * kEach) << "a mail lost, doubled or given another's property";
}

// Inside a transaction the store asks SQLite for other connections' changes
// once; each new transaction must ask again.
TEST_F(StoreFile, EachTransactionSeesWhatAnotherConnectionCommittedBeforeIt) {
  auto mine = Open();
  auto theirs = Open();
  const auto first = [](MailHost& m) {
    return Folder(m, host::ol::kFolderDrafts)->Items()->Item(1);
  };
  auto draft = mine->App()->CreateItem(host::ol::kMailItem);
  draft->SetSubject("0");
  draft->Save();
  for (int round = 1; round <= 4; ++round) {
    host::MailItemPtr item;
    {
      posix::sql::ReadTransaction tx(mine->Store().Db());
      item = first(*mine);
      EXPECT_EQ(item->Subject(), std::to_string(round - 1));
    }
    auto theirItem = first(*theirs);
    theirItem->SetSubject(std::to_string(round));
    theirItem->Save();
    if (round % 2) {
      posix::sql::ReadTransaction tx(mine->Store().Db());
      EXPECT_EQ(item->Subject(), std::to_string(round)) << "read transaction, round " << round;
    } else {
      posix::sql::WriteTransaction tx(mine->Store().Db());
      EXPECT_EQ(item->Subject(), std::to_string(round)) << "write transaction, round " << round;
    }
  }
}

// At-most-once transmission: a transport that cannot tell a redelivery (SMTP)
// gets a mail only once the store has committed it as underway; a mail found
// still underway by a later send/receive is held back in the Outbox, not sent
// blindly, until the user sends it again.
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
