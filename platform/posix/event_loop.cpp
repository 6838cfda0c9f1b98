#include "platform/posix/event_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <string>

#include "common/host_error.h"
#include "common/trap.h"

namespace velmora::posix {

namespace {

// The write end of the self-pipe of the loop that handles signals. The
// handler may only touch lock-free atomics and async-signal-safe calls.
std::atomic<int> g_signalPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free);

void OnSignalRaised(int signo) {
  const int fd = g_signalPipe.load(std::memory_order_relaxed);
  if (fd < 0) return;
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(signo);
  // A full pipe already holds enough wake-ups; losing this byte loses nothing.
  [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  errno = saved;
}

// A handler's failure must not end the loop: log it and go on.
template <class F>
void Guarded(const char* where, F&& f) noexcept {
  Trap(where, std::forward<F>(f));
}

}  // namespace

struct EventLoop::TimerState {
  std::uint64_t id = 0;
  int interval = 0;
  bool enabled = false;
  bool firing = false;
  SteadyClock::time_point due{};
  std::function<void()> handler;

  void Restart() { due = SteadyClock::now() + std::chrono::milliseconds(interval); }
  bool Armed() const { return enabled && interval > 0; }
};

struct EventLoop::TimerCore {
  std::uint64_t nextId = 1;
  std::vector<TimerState*> list;

  TimerState* Find(std::uint64_t id) const {
    for (TimerState* t : list)
      if (t->id == id) return t;
    return nullptr;
  }
};

class EventLoop::LoopTimer final : public Timer {
 public:
  explicit LoopTimer(std::shared_ptr<TimerCore> core) : core_(std::move(core)) {
    st_.id = core_->nextId++;
    core_->list.push_back(&st_);
  }
  ~LoopTimer() override {
    auto& v = core_->list;
    v.erase(std::remove(v.begin(), v.end(), &st_), v.end());
  }
  LoopTimer(const LoopTimer&) = delete;
  LoopTimer& operator=(const LoopTimer&) = delete;

  void SetInterval(int ms) override {
    st_.interval = ms;
    if (st_.enabled) st_.Restart();
  }
  int Interval() const override { return st_.interval; }
  void SetEnabled(bool on) override {
    st_.enabled = on;
    if (on) st_.Restart();
  }
  bool Enabled() const override { return st_.enabled; }
  void SetHandler(std::function<void()> onTick) override { st_.handler = std::move(onTick); }

 private:
  std::shared_ptr<TimerCore> core_;
  TimerState st_;
};

struct EventLoop::SignalSlot {
  int readFd = -1;
  int writeFd = -1;
  std::map<int, struct sigaction> saved;
  std::map<int, std::function<void(int)>> handlers;

  ~SignalSlot() {
    for (const auto& [signo, old] : saved)
      ::sigaction(signo, &old, nullptr);
    g_signalPipe.store(-1);
    if (readFd >= 0) ::close(readFd);
    if (writeFd >= 0) ::close(writeFd);
  }
};

EventLoop::EventLoop() : timers_(std::make_shared<TimerCore>()) {}

EventLoop::~EventLoop() {
  // Timers still alive keep the core but are no longer found by any round.
  timers_->list.clear();
}

std::unique_ptr<Timer> EventLoop::CreateTimer() {
  return std::make_unique<LoopTimer>(timers_);
}

void EventLoop::Post(std::function<void()> task) {
  if (task) posted_.push_back(std::move(task));
}

void EventLoop::OnSignal(int signo, std::function<void(int)> handler) {
  if (!signals_) {
    if (g_signalPipe.load() >= 0)
      Raise(err::kInvalidCall, "another event loop already handles signals");
    auto slot = std::make_unique<SignalSlot>();
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
      Raise(err::kFileIo, std::string("cannot create the signal pipe: ") + std::strerror(errno));
    slot->readFd = fds[0];
    slot->writeFd = fds[1];
    g_signalPipe.store(slot->writeFd);
    signals_ = std::move(slot);
  }
  if (!signals_->saved.count(signo)) {
    struct sigaction sa {};
    sa.sa_handler = OnSignalRaised;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    struct sigaction old {};
    if (::sigaction(signo, &sa, &old) != 0)
      Raise(err::kInvalidCall, "cannot catch signal " + std::to_string(signo));
    signals_->saved.emplace(signo, old);
  }
  signals_->handlers[signo] = std::move(handler);
}

EventLoop::WatchId EventLoop::Watch(int fd, short events, std::function<void(short)> handler) {
  if (fd < 0) Raise(err::kInvalidCall, "cannot watch a negative descriptor");
  const WatchId id = nextWatch_++;
  watchers_.push_back({id, fd, events, std::move(handler)});
  return id;
}

void EventLoop::Unwatch(WatchId id) noexcept {
  // Only marked here: the round may be walking the list.
  for (Watcher& w : watchers_)
    if (w.id == id) w.fd = -1;
}

void EventLoop::Quit(int exitCode) noexcept {
  quit_ = true;
  exitCode_ = exitCode;
}

// Marks the loop as running for a scope, whatever ends it. A nested loop
// would run timers and posted work inside a handler: refused.
class EventLoop::Running {
 public:
  explicit Running(EventLoop& loop) : loop_(loop) {
    if (loop_.running_) Raise(err::kInvalidCall, "the event loop is already running");
    loop_.running_ = true;
  }
  ~Running() { loop_.running_ = false; }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

 private:
  EventLoop& loop_;
};

int EventLoop::Run() {
  const Running running(*this);
  while (!quit_)
    Round(SteadyClock::duration::max());
  quit_ = false;
  return exitCode_;
}

bool EventLoop::RunFor(std::chrono::milliseconds duration) {
  const Running running(*this);
  const auto end = SteadyClock::now() + duration;
  for (;;) {
    if (quit_) break;
    const auto now = SteadyClock::now();
    if (now >= end) break;
    Round(end - now);
  }
  return std::exchange(quit_, false);
}

bool EventLoop::RunOnce(std::chrono::milliseconds maxWait) {
  const Running running(*this);
  if (!quit_) Round(maxWait);
  return quit_;
}

int EventLoop::PollTimeoutMs(SteadyClock::duration maxWait) const {
  if (quit_ || !posted_.empty()) return 0;
  auto wait = maxWait;
  const auto now = SteadyClock::now();
  for (const TimerState* t : timers_->list)
    if (t->Armed() && !t->firing) wait = std::min(wait, std::max(t->due - now, {}));
  if (wait == SteadyClock::duration::max()) return -1;
  // Rounded up: a timer due in 0.4 ms must not make the loop spin.
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
  return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
}

void EventLoop::Round(SteadyClock::duration maxWait) {
  RunPosted();
  if (quit_) return;

  std::vector<pollfd> fds;
  std::vector<WatchId> ids;
  if (signals_) {
    fds.push_back({signals_->readFd, POLLIN, 0});
    ids.push_back(0);
  }
  watchers_.erase(
      std::remove_if(watchers_.begin(), watchers_.end(), [](const Watcher& w) { return w.fd < 0; }),
      watchers_.end());
  for (const Watcher& w : watchers_) {
    fds.push_back({w.fd, w.events, 0});
    ids.push_back(w.id);
  }
  const int ready = ::poll(fds.data(), fds.size(), PollTimeoutMs(maxWait));
  if (ready > 0) {
    for (std::size_t i = 0; i < fds.size() && !quit_; ++i) {
      if (fds[i].revents == 0) continue;
      if (ids[i] == 0) {
        DrainSignals();
        continue;
      }
      for (Watcher& w : watchers_) {
        if (w.id != ids[i] || w.fd < 0) continue;
        // The handler may add watches, which moves the vector: use a copy.
        const auto handler = w.handler;
        const short revents = fds[i].revents;
        if (handler) Guarded("EventLoop.Watch", [&] { handler(revents); });
        break;
      }
    }
  }
  if (!quit_) FireDueTimers();
  if (!quit_) RunPosted();
}

void EventLoop::RunPosted() {
  // Work posted meanwhile waits for the next round, so a task that posts
  // itself again cannot starve timers and signals.
  std::size_t n = posted_.size();
  while (n-- > 0 && !posted_.empty() && !quit_) {
    auto task = std::move(posted_.front());
    posted_.pop_front();
    Guarded("EventLoop.Task", task);
  }
}

void EventLoop::FireDueTimers() {
  const auto now = SteadyClock::now();
  std::vector<std::pair<SteadyClock::time_point, std::uint64_t>> due;
  for (const TimerState* t : timers_->list)
    if (t->Armed() && !t->firing && t->due <= now) due.emplace_back(t->due, t->id);
  std::sort(due.begin(), due.end());
  for (const auto& [when, id] : due) {
    if (quit_) break;
    // An earlier handler may have destroyed, stopped or re-armed this one.
    TimerState* t = timers_->Find(id);
    if (!t || !t->Armed() || t->due != when) continue;
    t->Restart();
    if (!t->handler) continue;
    t->firing = true;
    const auto handler = t->handler;
    Guarded("EventLoop.Timer", handler);
    // The handler may have destroyed its own timer.
    if (TimerState* again = timers_->Find(id)) again->firing = false;
  }
}

void EventLoop::DrainSignals() {
  unsigned char buf[64];
  for (;;) {
    const ssize_t n = ::read(signals_->readFd, buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t i = 0; i < n && !quit_; ++i) {
      const int signo = buf[i];
      const auto it = signals_->handlers.find(signo);
      if (it == signals_->handlers.end() || !it->second) continue;
      const auto handler = it->second;
      Guarded("EventLoop.Signal", [&] { handler(signo); });
    }
  }
}

}  // namespace velmora::posix
