// The registry's side of a tick: what a sending pass writes there (the next
// due time the tray launcher watches) reaches the file only after the store
// committed, so a host that dies in the pass never leaves a next due time
// later than the mails still due in the store. Also the batch itself: one
// transaction over many writes, a failed write inside it undone alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>

#include "common/winreg.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/tick_transaction.h"
#include "support/fake_timers.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

constexpr const char* kKey = "Software\\Velmora Test";

std::string Read(SqliteRegistry& db, const std::string& name) {
  CWinReg r(db);
  if (!r.InitForRead(CWinReg::HKEY_CURRENT_USER, kKey)) return "(no key)";
  return r.GetString(name);
}

bool Write(SqliteRegistry& db, const std::string& name, const std::string& value) {
  CWinReg r(db);
  return r.InitForWrite(CWinReg::HKEY_CURRENT_USER, kKey, true) && r.SetString(name, value);
}

class RegistryBatch : public ::testing::Test {
 protected:
  test::TempDir dir{"batch"};
  std::filesystem::path path = dir.Path() / "registry.db";
  SqliteRegistry mine{path};
  SqliteRegistry other{path};  // as another process sees the file
};

TEST_F(RegistryBatch, WritesReachTheFileOnlyWhenTheBatchCommits) {
  ASSERT_TRUE(Write(mine, "NextOccurence", "before"));
  ASSERT_TRUE(mine.BeginBatch());
  EXPECT_FALSE(mine.BeginBatch()) << "batches do not nest";
  ASSERT_TRUE(Write(mine, "NextOccurence", "after"));
  ASSERT_TRUE(Write(mine, "Other", "x"));
  EXPECT_EQ(Read(mine, "NextOccurence"), "after");
  EXPECT_EQ(Read(other, "NextOccurence"), "before");
  EXPECT_EQ(Read(other, "Other"), "");
  ASSERT_TRUE(mine.EndBatch(true));
  EXPECT_EQ(Read(other, "NextOccurence"), "after");
  EXPECT_EQ(Read(other, "Other"), "x");
  EXPECT_FALSE(mine.EndBatch(true)) << "no batch is open";
}

TEST_F(RegistryBatch, ARolledBackBatchLeavesNothingAndWritesGoOnAlone) {
  ASSERT_TRUE(Write(mine, "NextOccurence", "before"));
  ASSERT_TRUE(mine.BeginBatch());
  ASSERT_TRUE(Write(mine, "NextOccurence", "after"));
  // A failed write inside the batch is undone alone; the batch goes on.
  CWinReg r(mine);
  ASSERT_TRUE(r.InitForWrite(CWinReg::HKEY_CURRENT_USER, kKey, true));
  EXPECT_FALSE(r.SetString(std::string(SqliteRegistry::kMaxValueName + 1, 'n'), "too long"));
  EXPECT_EQ(Read(mine, "NextOccurence"), "after");
  EXPECT_TRUE(mine.EndBatch(false));
  EXPECT_EQ(Read(mine, "NextOccurence"), "before");
  EXPECT_TRUE(Write(mine, "NextOccurence", "alone"));
  EXPECT_EQ(Read(other, "NextOccurence"), "alone");
}

TEST_F(RegistryBatch, AProcessDyingInABatchLeavesTheRegistryAsBefore) {
  ASSERT_TRUE(Write(mine, "NextOccurence", "before"));
  EXPECT_EXIT(
      {
        SqliteRegistry child(path);
        if (!child.BeginBatch() || !Write(child, "NextOccurence", "after")) ::_exit(1);
        ::_exit(9);
      },
      ::testing::ExitedWithCode(9), "");
  EXPECT_EQ(Read(other, "NextOccurence"), "before");
  EXPECT_TRUE(Write(other, "NextOccurence", "later")) << "the dead batch still holds the lock";
}

class TickRegistry : public ::testing::Test {
 protected:
  test::TempDir dir{"tick-registry"};
  SqliteRegistry registry{dir.Path() / "registry.db"};
  SqliteRegistry other{dir.Path() / "registry.db"};
  test::ManualClock clock{DateTime::FromParts(2026, 12, 7, 9, 0, 0)};
  test::ManualDispatcher loop;
  test::FakeTimerFactory fake{&clock};
  std::unique_ptr<MailHost> mail = MailHost::Open(dir.Path() / "store.db", {.clock = &clock});
  host::NameSpacePtr ns = mail->App()->GetNamespace("MAPI");
  int beforeTick = 0;
  int beforeCommit = 0;
  TransactionalTimers timers{fake,
                             mail->Store().Db(),
                             {.registry = &registry,
                              .beforeTick = [this] { ++beforeTick; },
                              .beforeCommit = [this] { ++beforeCommit; }}};

  std::unique_ptr<Timer> Every(std::function<void()> tick) {
    auto t = timers.CreateTimer();
    t->SetHandler(std::move(tick));
    t->SetInterval(1000);
    t->SetEnabled(true);
    return t;
  }
  int Drafts() { return ns->GetDefaultFolder(host::ol::kFolderDrafts)->Items()->Count(); }
  void AddDraft() {
    auto item = ns->GetDefaultFolder(host::ol::kFolderDrafts)->Items()->Add(host::ol::kMailItem);
    item->Save();
  }
};

TEST_F(TickRegistry, AFailedTickTakesItsRegistryWritesBackWithTheStore) {
  ASSERT_TRUE(Write(registry, "NextOccurence", "12/7/2026 8:00:00 AM"));
  auto timer = Every([&] {
    AddDraft();
    Write(registry, "NextOccurence", "12/8/2026 8:00:00 AM");
    throw std::runtime_error("killed after the next due time was written");
  });
  fake.Advance(1000);
  EXPECT_EQ(Drafts(), 0);
  EXPECT_EQ(Read(other, "NextOccurence"), "12/7/2026 8:00:00 AM");
  EXPECT_EQ(beforeTick, 1);
  EXPECT_EQ(beforeCommit, 0);
}

TEST_F(TickRegistry, AStoreThatCannotCommitKeepsTheTicksRegistryWritesOut) {
  ASSERT_TRUE(Write(registry, "NextOccurence", "12/7/2026 8:00:00 AM"));
  // The store's transaction is gone under the tick, so its COMMIT fails.
  auto& db = mail->Store().Db();
  TransactionalTimers failing{
      fake, db, {.registry = &registry, .beforeCommit = [&db] { db.Exec("ROLLBACK"); }}};
  auto timer = failing.CreateTimer();
  timer->SetHandler([&] {
    AddDraft();
    Write(registry, "NextOccurence", "12/8/2026 8:00:00 AM");
  });
  timer->SetInterval(1000);
  timer->SetEnabled(true);
  fake.Advance(1000);
  EXPECT_EQ(Drafts(), 0);
  EXPECT_EQ(Read(other, "NextOccurence"), "12/7/2026 8:00:00 AM");
  EXPECT_EQ(Read(registry, "NextOccurence"), "12/7/2026 8:00:00 AM");
}

TEST_F(TickRegistry, ATickThatEndsCommitsBothAfterItsHook) {
  auto timer = Every([&] {
    AddDraft();
    Write(registry, "NextOccurence", "12/8/2026 8:00:00 AM");
  });
  fake.Advance(1000);
  EXPECT_EQ(beforeTick, 1);
  EXPECT_EQ(beforeCommit, 1);
  EXPECT_EQ(Drafts(), 1);
  EXPECT_EQ(Read(other, "NextOccurence"), "12/8/2026 8:00:00 AM");
  // Between ticks the registry is free for other processes.
  EXPECT_TRUE(Write(other, "NextOccurence", "set by another"));
}

}  // namespace
}  // namespace velmora::posix
