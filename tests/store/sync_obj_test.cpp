// The send/receive watcher on the standalone host: what it starts, when it
// watches, and how it ends.
#include <gtest/gtest.h>

#include "addin/store/sync_obj.h"
#include "integration/engine_fixture.h"
#include "platform/posix/host/command_bars.h"
#include "support/captured_log.h"

namespace velmora::test {
namespace {

class Watcher : public EngineTest {
 protected:
  CSyncObj sync;
  int ended = 0;
  host::SubscriptionPtr sub = sync.OnSyncEnd([this] { ++ended; });
};

TEST_F(Watcher, AnOrdinaryStartIsNotWatchedAndDropsAWatchWithoutAnEvent) {
  sync.SendNow(false);
  EXPECT_FALSE(sync.HasObject());
  loop.Drain();
  EXPECT_EQ(ended, 0);
  EXPECT_TRUE(keys.sent.empty());

  sync.SendNow(true);
  sync.SendNow(false);
  EXPECT_FALSE(sync.HasObject());
  loop.Drain();
  EXPECT_EQ(ended, 0);
}

TEST_F(Watcher, AWatchedStartHoldsTheGroupUntilItsEndAndRaisesSyncEndOnce) {
  sync.SendNow(true);
  EXPECT_TRUE(sync.HasObject());
  loop.Drain();
  EXPECT_FALSE(sync.HasObject());
  EXPECT_EQ(ended, 1);
  loop.Drain();
  EXPECT_EQ(ended, 1);
}

TEST_F(Watcher, ProgressAndErrorsAreTracedWhileWatching) {
  ScheduleOnce("x", clock.Now());  // nothing submitted: the group still reports
  CapturedLog log(true);
  wire.FailAll(421, "Service not available");
  auto item = Folder(host::ol::kFolderOutbox)->Items()->Add(host::ol::kMailItem);
  item->SetTo("ann@example.com");
  item->SetSubject("refused");
  item->Save();
  auto safe = mail->Objects().CreateSafeMailItem();
  safe->SetItem(item);
  safe->Send();
  sync.SendNow(true);
  loop.Drain();
  EXPECT_TRUE(log.Contains("CSyncObject.SyncStart"));
  EXPECT_TRUE(log.Contains("CSyncObject.Progress : "));
  EXPECT_TRUE(log.Contains("Warning : CSyncObject.OnError\t421, "));
  EXPECT_TRUE(log.Contains("CSyncObject.SyncEnd"));
  EXPECT_EQ(ended, 1);
}

TEST_F(Watcher, OnTheOldestHostTheMenuCommandRunsAndNothingIsWatched) {
  mail->SetVersion("9.0.0.2711");
  auto explorer = mail->OpenExplorer();
  // The explorer's own Send/Receive command, whichever of its two ids it has.
  auto control = explorer->CommandBars()->FindControl({.id = 5577});
  if (!control) control = explorer->CommandBars()->FindControl({.id = 5488});
  ASSERT_TRUE(control);
  sync.SendNow(true);
  EXPECT_FALSE(sync.HasObject());
  EXPECT_EQ(std::dynamic_pointer_cast<posix::HostControl>(control)->ExecuteCount(), 1);
  EXPECT_TRUE(keys.sent.empty());
  loop.Drain();
  EXPECT_EQ(ended, 0);
}

TEST_F(Watcher, OnTheOldestHostWithoutTheCommandKeystrokesTakeItsPlace) {
  mail->SetVersion("9.0.0.2711");
  sync.SendNow(true);  // no explorer at all
  EXPECT_EQ(keys.sent, std::vector<std::string>{"%{F5}"});
  EXPECT_FALSE(sync.HasObject());
}

}  // namespace
}  // namespace velmora::test
