// The standalone host's event loop: one thread, poll(), timers on the steady
// clock, work posted to run after the current handler, SIGINT/SIGTERM (or any
// signal asked for) delivered as ordinary handlers, and watched descriptors.
// It is the timer factory and the dispatcher of the POSIX deliverables.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "common/dispatcher.h"
#include "common/timer.h"

namespace velmora::posix {

class EventLoop final : public TimerFactory, public Dispatcher {
 public:
  using SteadyClock = std::chrono::steady_clock;
  using WatchId = std::uint64_t;

  EventLoop();
  // Restores the signal handling it replaced. Timers that outlive the loop
  // keep their settings but never fire.
  ~EventLoop() override;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  std::unique_ptr<Timer> CreateTimer() override;
  // Runs the task in a later round of the loop, never inside the caller.
  void Post(std::function<void()> task) override;

  // Calls the handler on the loop, outside the signal handler, each time the
  // signal arrives. One loop per process handles signals; raises HostError
  // when another one already does or the signal cannot be caught.
  void OnSignal(int signo, std::function<void(int)> handler);

  // Calls the handler with the poll() result events while the descriptor is
  // ready for `events` (POLLIN, POLLOUT). The caller keeps the descriptor
  // open until Unwatch; on POLLHUP/POLLERR/POLLNVAL it should Unwatch.
  WatchId Watch(int fd, short events, std::function<void(short revents)> handler);
  void Unwatch(WatchId id) noexcept;

  // Runs until Quit and returns its code. Raises HostError when the loop is
  // already running (a handler may not run the loop again).
  int Run();
  // Runs until Quit or for at most the duration; True when it ended by Quit.
  bool RunFor(std::chrono::milliseconds duration);
  // One round: waits at most `maxWait` for something to do and does it; True
  // when a Quit is pending. The request stays until Run or RunFor takes it.
  bool RunOnce(std::chrono::milliseconds maxWait);

  // Ends Run after the current handler; before Run, Run returns at once.
  void Quit(int exitCode) noexcept;
  bool QuitPending() const noexcept { return quit_; }
  int ExitCode() const noexcept { return exitCode_; }

 private:
  struct TimerCore;
  struct TimerState;
  class LoopTimer;
  struct Watcher {
    WatchId id;
    int fd;
    short events;
    std::function<void(short)> handler;
  };
  struct SignalSlot;
  class Running;

  void Round(SteadyClock::duration maxWait);
  int PollTimeoutMs(SteadyClock::duration maxWait) const;
  void RunPosted();
  void FireDueTimers();
  void DrainSignals();

  std::shared_ptr<TimerCore> timers_;
  std::deque<std::function<void()>> posted_;
  std::vector<Watcher> watchers_;
  WatchId nextWatch_ = 1;
  std::unique_ptr<SignalSlot> signals_;
  bool running_ = false;
  bool quit_ = false;
  int exitCode_ = 0;
};

}  // namespace velmora::posix
