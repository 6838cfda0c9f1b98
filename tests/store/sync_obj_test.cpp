// The send/receive watcher on the standalone host: what it starts, when it
// watches, and how it ends.
#include <gtest/gtest.h>

#include "addin/store/sync_obj.h"
#include "integration/engine_fixture.h"
#include "platform/posix/host/command_bars.h"

namespace velmora::test {
namespace {

class Watcher : public EngineTest {
 protected:
  CSyncObj sync;
  int ended = 0;
  host::SubscriptionPtr sub = sync.OnSyncEnd([this] { ++ended; });
};

TEST_F(Watcher, OnlyAWatchedStartHoldsTheGroupToItsEndAndRaisesSyncEndOnce) {
  sync.SendNow(false);
  EXPECT_FALSE(sync.HasObject());
  sync.SendNow(true);
  sync.SendNow(false);  // drops the watch without an event
  EXPECT_FALSE(sync.HasObject());
  loop.Drain();
  EXPECT_EQ(ended, 0);

  sync.SendNow(true);
  EXPECT_TRUE(sync.HasObject());
  loop.Drain();
  EXPECT_FALSE(sync.HasObject());
  EXPECT_EQ(ended, 1);
  loop.Drain();
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(keys.sent.empty());
}

TEST_F(Watcher, OnTheOldestHostTheMenuCommandOrElseKeystrokesStartItUnwatched) {
  mail->SetVersion("9.0.0.2711");
  sync.SendNow(true);  // no explorer at all
  EXPECT_EQ(keys.sent, std::vector<std::string>{"%{F5}"});
  auto explorer = mail->OpenExplorer();
  // The explorer's own Send/Receive command, whichever of its two ids it has.
  auto control = explorer->CommandBars()->FindControl({.id = 5577});
  if (!control) control = explorer->CommandBars()->FindControl({.id = 5488});
  ASSERT_TRUE(control);
  sync.SendNow(true);
  EXPECT_FALSE(sync.HasObject());
  EXPECT_EQ(std::dynamic_pointer_cast<posix::HostControl>(control)->ExecuteCount(), 1);
  EXPECT_EQ(keys.sent.size(), 1u);
  loop.Drain();
  EXPECT_EQ(ended, 0);
}

}  // namespace
}  // namespace velmora::test
