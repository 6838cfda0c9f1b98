// The POSIX event loop as its users rely on it: timers fire in due order
// and only while armed, posted work runs after the current handler and in
// order, a failing handler does not stop it. (Signals as handlers: the host's
// end-to-end SIGTERM and SIGINT runs.) Real short timers here; the tests
// check order and counts, not timing.
#include <gtest/gtest.h>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/host_error.h"
#include "platform/posix/event_loop.h"

namespace velmora::posix {
namespace {

using namespace std::chrono_literals;

// Far above what any of these tests needs: reaching it means the awaited
// event never came.
constexpr auto kPatience = 10s;

std::unique_ptr<Timer> Arm(EventLoop& loop, int ms, std::function<void()> handler) {
  auto t = loop.CreateTimer();
  t->SetInterval(ms);
  t->SetHandler(std::move(handler));
  t->SetEnabled(true);
  return t;
}

TEST(EventLoopTimers, TheEarlierDueFiresFirstArmedTimersRepeatAndHandlersMayDestroyTimers) {
  EventLoop loop;
  std::string seen;
  int repeats = 0;
  std::unique_ptr<Timer> late, early, repeating, victim;
  late = Arm(loop, 40, [&] {
    seen += 'L';
    victim.reset();
    late.reset();  // its own timer, from inside its handler
  });
  early = Arm(loop, 15, [&] {
    seen += 'E';
    early->SetEnabled(false);
  });
  repeating = Arm(loop, 5, [&] {
    if (++repeats == 3) repeating->SetEnabled(false);
  });
  victim = Arm(loop, 45, [&] { seen += 'V'; });  // due after `late`, which destroys it
  const auto end = std::chrono::steady_clock::now() + kPatience;
  while ((late || repeats < 3) && std::chrono::steady_clock::now() < end)
    loop.RunOnce(100ms);
  loop.RunFor(20ms);  // time enough for the destroyed or disarmed to fire, were they armed
  EXPECT_EQ(seen, "EL");
  EXPECT_EQ(repeats, 3);
}

TEST(EventLoopPosting,
     PostedWorkRunsAfterTheCurrentHandlerInOrderNeverStarvesTimersAndOutlivesAQuit) {
  EventLoop loop;
  std::vector<std::string> seen;
  loop.Post([&] {
    seen.push_back("first begins");
    loop.Post([&] { seen.push_back("posted by first"); });
    seen.push_back("first ends");
  });
  loop.Post([&] { seen.push_back("second"); });
  // A task posting itself for ever still lets the timer fire.
  bool spinning = true;
  std::function<void()> spin = [&] {
    if (spinning) loop.Post(spin);
  };
  loop.Post(spin);
  auto timer = Arm(loop, 10, [&] { loop.Quit(4), spinning = false; });
  EXPECT_EQ(loop.Run(), 4);
  timer.reset();
  EXPECT_EQ(seen,
            (std::vector<std::string>{"first begins", "first ends", "second", "posted by first"}));

  // A quit before Run ends it at once; work left behind by a quit runs next time.
  loop.Quit(3);
  EXPECT_EQ(loop.Run(), 3);
  bool after = false;
  loop.Post([&] { loop.Quit(5); });
  loop.Post([&] { after = true; });
  EXPECT_EQ(loop.Run(), 5);
  EXPECT_FALSE(after);
  loop.Post([&] { loop.Quit(6); });
  EXPECT_EQ(loop.Run(), 6);
  EXPECT_TRUE(after);
}

TEST(EventLoopFailures, AFailingHandlerDoesNotStopTheLoopWhichCannotRunItself) {
  EventLoop loop;
  bool next = false;
  bool refused = false;
  loop.Post([] { Raise(err::kFileIo, "disk on fire"); });
  loop.Post([] { throw 42; });
  loop.Post([&] {
    next = true;
    try {
      loop.RunOnce(0ms);
    } catch (const HostError&) {
      refused = true;
    }
    loop.Quit(0);
  });
  EXPECT_EQ(loop.Run(), 0);
  EXPECT_TRUE(next);
  EXPECT_TRUE(refused) << "the loop ran from inside itself";
}

}  // namespace
}  // namespace velmora::posix
