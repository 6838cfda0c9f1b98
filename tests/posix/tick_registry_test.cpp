// Every timer tick of the add-in is one store transaction, and what it writes
// to the registry (the next due time the tray launcher watches) reaches the
// file only after the store committed: a tick that fails half way leaves both
// as before it, and the objects that looked at the half-done work read the
// store again; a tick that ends commits everything it did.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "common/winreg.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/tick_transaction.h"
#include "support/fake_timers.h"
#include "support/manual_clock.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

constexpr const char* kKey = "Software\\Velmora Test";

std::string Read(SqliteRegistry& db) {
  CWinReg r(db);
  if (!r.InitForRead(CWinReg::HKEY_CURRENT_USER, kKey)) return "(no key)";
  return r.GetString("NextOccurence");
}

bool Write(SqliteRegistry& db, const std::string& value) {
  CWinReg r(db);
  return r.InitForWrite(CWinReg::HKEY_CURRENT_USER, kKey, true) &&
         r.SetString("NextOccurence", value);
}

class TickRegistry : public ::testing::Test {
 protected:
  test::TempDir dir{"tick-registry"};
  SqliteRegistry registry{dir.Path() / "registry.db"};
  SqliteRegistry other{dir.Path() / "registry.db"};
  test::ManualClock clock{DateTime::FromParts(2026, 12, 7, 9, 0, 0)};
  test::FakeTimerFactory fake{&clock};
  std::unique_ptr<MailHost> mail = MailHost::Open(dir.Path() / "store.db", {.clock = &clock});
  host::NameSpacePtr ns = mail->App()->GetNamespace("MAPI");
  int commits = 0;  // the host writes its due time there: never for a failed tick
  TransactionalTimers timers{
      fake, mail->Store().Db(), {.registry = &registry, .beforeCommit = [this] { ++commits; }}};

  std::unique_ptr<Timer> Every(TimerFactory& factory, std::function<void()> tick) {
    auto t = factory.CreateTimer();
    t->SetHandler(std::move(tick));
    t->SetInterval(1000);
    t->SetEnabled(true);
    return t;
  }
  int Drafts() { return ns->GetDefaultFolder(host::ol::kFolderDrafts)->Items()->Count(); }
  host::MailItemPtr Draft(const std::string& subject) {
    auto item = ns->GetDefaultFolder(host::ol::kFolderDrafts)->Items()->Add(host::ol::kMailItem);
    item->SetSubject(subject);
    item->Save();
    return item;
  }
};

TEST_F(TickRegistry, AFailedTickTakesBackStoreAndRegistryWritesAndAnEndedOneCommitsBoth) {
  ASSERT_TRUE(Write(registry, "12/7/2026 8:00:00 AM"));
  auto kept = Draft("original");
  bool fail = true;
  std::string seen;
  std::string tooDeep = std::string(kKey) + "\\half";
  for (int depth = 3; depth <= SqliteRegistry::kMaxDepth; ++depth)
    tooDeep += "\\d";
  auto timer = Every(timers, [&] {
    // The shape of a sending pass: an item re-stamped, a copy made, one moved
    // on, the next due time written — then, the first time, the process is gone.
    auto same = ns->GetItemFromID(kept->EntryID());
    same->SetSubject("re-stamped");
    same->Save();
    seen = kept->Subject();
    kept->Copy();
    Draft("new draft")->Move(ns->GetDefaultFolder(host::ol::kFolderOutbox));
    Write(registry, "12/8/2026 8:00:00 AM");
    // A write that fails half way (the keys above one too deep for the
    // registry made) is undone alone; the tick's other writes stay.
    if (!fail) {
      EXPECT_FALSE(CWinReg(registry).InitForWrite(CWinReg::HKEY_CURRENT_USER, tooDeep, true));
    }
    if (fail) throw std::runtime_error("killed mid-pass");
  });
  fake.Advance(1000);
  EXPECT_EQ(seen, "re-stamped") << "a tick sees its own changes at once";
  EXPECT_EQ(Drafts(), 1);
  EXPECT_EQ(ns->GetDefaultFolder(host::ol::kFolderOutbox)->Items()->Count(), 0);
  EXPECT_EQ(kept->Subject(), "original") << "an object kept what was rolled back";
  EXPECT_EQ(Read(other), "12/7/2026 8:00:00 AM");
  EXPECT_EQ(commits, 0);

  fail = false;
  fake.Advance(1000);
  EXPECT_EQ(commits, 1);
  EXPECT_EQ(Drafts(), 2);
  EXPECT_EQ(ns->GetItemFromID(kept->EntryID())->Subject(), "re-stamped");
  EXPECT_EQ(Read(other), "12/8/2026 8:00:00 AM");
  EXPECT_FALSE(
      CWinReg(other).InitForRead(CWinReg::HKEY_CURRENT_USER, std::string(kKey) + "\\half"));
  // Between ticks the registry is free for others.
  EXPECT_TRUE(Write(other, "set by another"));
}

TEST_F(TickRegistry, AStoreThatCannotCommitKeepsTheTicksRegistryWritesOut) {
  ASSERT_TRUE(Write(registry, "12/7/2026 8:00:00 AM"));
  // The store's transaction is gone under the tick, so its COMMIT fails.
  auto& db = mail->Store().Db();
  TransactionalTimers failing{
      fake, db, {.registry = &registry, .beforeCommit = [&db] { db.Exec("ROLLBACK"); }}};
  auto timer = Every(failing, [&] {
    Draft("lost with the store's transaction");
    Write(registry, "12/8/2026 8:00:00 AM");
  });
  fake.Advance(1000);
  EXPECT_EQ(Drafts(), 0);
  EXPECT_EQ(Read(other), "12/7/2026 8:00:00 AM");
  EXPECT_EQ(Read(registry), "12/7/2026 8:00:00 AM");
}

}  // namespace
}  // namespace velmora::posix
