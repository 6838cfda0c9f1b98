// The POSIX event loop as its users rely on it: timers fire in due order
// and only while armed, posted work runs after the current handler and in
// order, signals arrive as ordinary handlers, watched descriptors wake the
// loop, a failing handler does not stop it. Real short timers here: these
// tests are about the loop itself. They check order and counts, not timing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/debug.h"
#include "common/host_error.h"
#include "platform/posix/event_loop.h"

namespace velmora::posix {
namespace {

using namespace std::chrono_literals;

// A bound on waiting: far above what any of these tests needs, so a loaded
// machine passes; reaching it means the awaited event never came.
constexpr auto kPatience = 10s;

std::string LogText() {
  std::ifstream in(g_debug().FilePath(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct Pipe {
  Pipe() { EXPECT_EQ(::pipe2(fd, O_NONBLOCK | O_CLOEXEC), 0); }
  ~Pipe() {
    ::close(fd[0]);
    ::close(fd[1]);
  }
  int fd[2] = {-1, -1};
};

TEST(EventLoopTimers, TheEarlierDueFiresFirstAndArmedTimersRepeat) {
  EventLoop loop;
  std::vector<char> seen;
  auto late = loop.CreateTimer();
  auto early = loop.CreateTimer();
  auto repeating = loop.CreateTimer();
  late->SetInterval(40);
  early->SetInterval(15);
  late->SetHandler([&] {
    seen.push_back('L');
    late->SetEnabled(false);
  });
  early->SetHandler([&] {
    seen.push_back('E');
    early->SetEnabled(false);
  });
  int repeats = 0;
  repeating->SetInterval(5);
  repeating->SetHandler([&] {
    if (++repeats == 5) repeating->SetEnabled(false);
  });
  late->SetEnabled(true);
  early->SetEnabled(true);
  repeating->SetEnabled(true);

  const auto end = std::chrono::steady_clock::now() + kPatience;
  while ((seen.size() < 2 || repeats < 5) && std::chrono::steady_clock::now() < end)
    loop.RunOnce(100ms);
  EXPECT_EQ(seen, (std::vector<char>{'E', 'L'}));
  EXPECT_EQ(repeats, 5);
  EXPECT_FALSE(repeating->Enabled());
  EXPECT_EQ(repeating->Interval(), 5);
}

TEST(EventLoopTimers, HandlersMayStopOrDestroyTimersIncludingTheirOwn) {
  EventLoop loop;
  auto self = loop.CreateTimer();
  auto victim = loop.CreateTimer();
  int selfTicks = 0;
  int victimTicks = 0;
  self->SetInterval(5);
  self->SetHandler([&] {
    ++selfTicks;
    victim.reset();
    self.reset();
    loop.Post([&] { loop.Quit(0); });
  });
  // Due later than `self`, so even in one round it comes second and is gone.
  victim->SetInterval(10);
  victim->SetHandler([&] { ++victimTicks; });
  self->SetEnabled(true);
  victim->SetEnabled(true);
  EXPECT_TRUE(loop.RunFor(kPatience));
  EXPECT_EQ(selfTicks, 1);
  EXPECT_EQ(victimTicks, 0);
  EXPECT_EQ(self, nullptr);
}

TEST(EventLoopPosting, PostedWorkRunsAfterTheCurrentHandlerInOrder) {
  EventLoop loop;
  std::vector<std::string> seen;
  loop.Post([&] {
    seen.push_back("first begins");
    loop.Post([&] {
      seen.push_back("posted by first");
      loop.Quit(4);
    });
    seen.push_back("first ends");
  });
  loop.Post([&] { seen.push_back("second"); });
  // Nothing runs inside Post.
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(loop.Run(), 4);
  EXPECT_EQ(seen,
            (std::vector<std::string>{"first begins", "first ends", "second", "posted by first"}));
}

TEST(EventLoopPosting, ATaskPostingItselfDoesNotStarveTimers) {
  EventLoop loop;
  int spins = 0;
  std::function<void()> spin = [&] {
    ++spins;
    loop.Post(spin);
  };
  loop.Post(spin);
  auto timer = loop.CreateTimer();
  timer->SetInterval(10);
  timer->SetHandler([&] { loop.Quit(9); });
  timer->SetEnabled(true);
  EXPECT_TRUE(loop.RunFor(kPatience));
  EXPECT_GT(spins, 0);
}

TEST(EventLoopQuit, QuitBeforeRunEndsItAtOnceAndStopsTheRound) {
  EventLoop loop;
  loop.Quit(3);
  EXPECT_EQ(loop.Run(), 3);

  // The request was taken: the next run goes on until the next Quit.
  bool after = false;
  loop.Post([&] { loop.Quit(5); });
  loop.Post([&] { after = true; });
  EXPECT_EQ(loop.Run(), 5);
  EXPECT_FALSE(after);
  // Work left behind by a quit is not lost: it runs in the next run.
  loop.Post([&] { loop.Quit(6); });
  EXPECT_EQ(loop.Run(), 6);
  EXPECT_TRUE(after);

  // Without a quit, RunFor ends by time.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(loop.RunFor(20ms));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
  EXPECT_FALSE(loop.QuitPending());
}

TEST(EventLoopFailures, AFailingHandlerIsLoggedAndTheLoopGoesOnButCannotRunItself) {
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
  const std::string log = LogText();
  EXPECT_NE(log.find("Error(75) : EventLoop.Task\tdisk on fire"), std::string::npos) << log;
  EXPECT_NE(log.find("Error(51) : EventLoop.Task\tInternal error"), std::string::npos) << log;
}

TEST(EventLoopSignals, ASignalArrivesAsAHandlerOnTheLoop) {
  EventLoop loop;
  std::vector<int> got;
  loop.OnSignal(SIGTERM, [&](int signo) {
    got.push_back(signo);
    loop.Quit(128 + signo);
  });
  loop.OnSignal(SIGINT, [&](int signo) { got.push_back(signo); });
  ASSERT_EQ(::raise(SIGINT), 0);
  ASSERT_EQ(::raise(SIGTERM), 0);
  // Not inside the signal handler: only the loop calls it.
  EXPECT_TRUE(got.empty());
  auto guard = loop.CreateTimer();
  guard->SetInterval(static_cast<int>(std::chrono::milliseconds(kPatience).count()));
  guard->SetHandler([&] { loop.Quit(-1); });
  guard->SetEnabled(true);
  EXPECT_EQ(loop.Run(), 128 + SIGTERM);
  EXPECT_EQ(got, (std::vector<int>{SIGINT, SIGTERM}));
}

void TestHandler(int) {}

TEST(EventLoopSignals, TheFormerHandlingComesBackAndOnlyOneLoopTakesSignals) {
  struct sigaction mine {};
  mine.sa_handler = TestHandler;
  struct sigaction before {};
  ASSERT_EQ(::sigaction(SIGTERM, &mine, &before), 0);
  {
    EventLoop loop;
    loop.OnSignal(SIGTERM, [](int) {});
    EventLoop other;
    EXPECT_THROW(other.OnSignal(SIGINT, [](int) {}), HostError);
    struct sigaction now {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &now), 0);
    EXPECT_NE(now.sa_handler, &TestHandler);
  }
  struct sigaction after {};
  ASSERT_EQ(::sigaction(SIGTERM, &before, &after), 0);
  EXPECT_EQ(after.sa_handler, &TestHandler);

  // Once the first loop is gone, another may take signals.
  EventLoop next;
  EXPECT_NO_THROW(next.OnSignal(SIGINT, [](int) {}));
}

TEST(EventLoopWatches, AReadableDescriptorWakesTheLoopUntilUnwatched) {
  EventLoop loop;
  Pipe p;
  std::string got;
  EventLoop::WatchId id = 0;
  id = loop.Watch(p.fd[0], POLLIN, [&](short revents) {
    EXPECT_TRUE(revents & POLLIN);
    char buf[16];
    const ssize_t n = ::read(p.fd[0], buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    if (got == "ab") {
      loop.Unwatch(id);
      loop.Quit(0);
    }
  });
  ASSERT_EQ(::write(p.fd[1], "a", 1), 1);
  EXPECT_FALSE(loop.RunOnce(std::chrono::milliseconds(kPatience)));
  EXPECT_EQ(got, "a");
  ASSERT_EQ(::write(p.fd[1], "b", 1), 1);
  EXPECT_TRUE(loop.RunFor(std::chrono::milliseconds(kPatience)));
  EXPECT_EQ(got, "ab");

  // Unwatched: more data no longer reaches the handler.
  ASSERT_EQ(::write(p.fd[1], "c", 1), 1);
  EXPECT_FALSE(loop.RunFor(20ms));
  EXPECT_EQ(got, "ab");
  EXPECT_THROW(loop.Watch(-1, POLLIN, [](short) {}), HostError);
}

}  // namespace
}  // namespace velmora::posix
