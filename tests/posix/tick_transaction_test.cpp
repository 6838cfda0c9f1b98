// Every timer tick of the add-in is one store transaction: a tick that fails
// half way (as a process killed in the middle of a sending pass) leaves the
// store exactly as before it, and the objects that looked at the half-done
// work read the store again; a tick that ends commits everything it did.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "common/host_error.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/store/sqlite.h"
#include "platform/posix/tick_transaction.h"
#include "support/fake_timers.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

class TickTransaction : public ::testing::Test {
 protected:
  test::ManualClock clock{DateTime::FromParts(2026, 12, 7, 9, 0, 0)};
  test::ManualDispatcher loop;
  test::FakeTimerFactory fake{&clock};
  std::unique_ptr<MailHost> mail = MailHost::OpenInMemory({.dispatcher = &loop, .clock = &clock});
  TransactionalTimers timers{fake, mail->Store().Db()};
  host::NameSpacePtr ns = mail->App()->GetNamespace("MAPI");

  host::MailItemPtr Draft(const std::string& subject) {
    auto item = ns->GetDefaultFolder(host::ol::kFolderDrafts)->Items()->Add(host::ol::kMailItem);
    item->SetSubject(subject);
    item->SetTo("ann@example.com");
    item->Save();
    return item;
  }
  int Count(int folder) { return ns->GetDefaultFolder(folder)->Items()->Count(); }
  std::unique_ptr<Timer> Every(int ms, std::function<void()> tick) {
    auto t = timers.CreateTimer();
    t->SetHandler(std::move(tick));
    t->SetInterval(ms);
    t->SetEnabled(true);
    return t;
  }
};

TEST_F(TickTransaction, ATickThatFailsHalfWayLeavesTheStoreAsBefore) {
  auto kept = Draft("original");
  const std::string id = kept->EntryID();
  auto outbox = ns->GetDefaultFolder(host::ol::kFolderOutbox);
  auto timer = Every(1000, [&] {
    // The shape of a sending pass: an item re-stamped, a copy made, one
    // moved on — then the process is gone.
    kept->SetSubject("re-stamped");
    kept->Save();
    kept->Copy();
    Draft("new draft")->Move(outbox);
    throw std::runtime_error("killed mid-pass");
  });
  fake.Advance(1000);
  EXPECT_EQ(timer->Enabled(), true) << "the timer keeps running after a failed tick";
  EXPECT_EQ(Count(host::ol::kFolderDrafts), 1);
  EXPECT_EQ(Count(host::ol::kFolderOutbox), 0);
  // Objects that saw the rolled-back work read the store again.
  EXPECT_EQ(kept->Subject(), "original");
  EXPECT_EQ(ns->GetItemFromID(id)->Subject(), "original");
}

TEST_F(TickTransaction, ATickThatEndsCommitsAllItDidAndSawItsOwnChangesAtOnce) {
  auto kept = Draft("original");
  std::string seen;
  auto timer = Every(1000, [&] {
    auto other = ns->GetItemFromID(kept->EntryID());
    other->SetSubject("changed");
    other->Save();
    seen = kept->Subject();
    kept->Copy();
  });
  fake.Advance(1000);
  EXPECT_EQ(seen, "changed");
  EXPECT_EQ(Count(host::ol::kFolderDrafts), 2);
  EXPECT_EQ(ns->GetItemFromID(kept->EntryID())->Subject(), "changed");
  // Committed for good: nothing is left open to roll back.
  EXPECT_NO_THROW({
    sql::WriteTransaction tx(mail->Store().Db());
    tx.Commit();
  });
}

}  // namespace
}  // namespace velmora::posix
