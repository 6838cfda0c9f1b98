// Fake timers driven by a manual clock: Advance moves time forward and fires
// every timer that falls due on the way, in time order, as an event loop would.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "common/timer.h"
#include "support/manual_clock.h"

namespace velmora::test {

class FakeTimerFactory;

class FakeTimer final : public Timer {
 public:
  explicit FakeTimer(FakeTimerFactory& owner) : owner_(&owner) {}
  ~FakeTimer() override;
  void SetInterval(int ms) override;
  int Interval() const override { return interval_; }
  void SetEnabled(bool on) override;
  bool Enabled() const override { return enabled_; }
  void SetHandler(std::function<void()> onTick) override { handler_ = std::move(onTick); }

  int Ticks() const { return ticks_; }

 private:
  friend class FakeTimerFactory;
  void Restart();
  FakeTimerFactory* owner_;
  int interval_ = 0;
  bool enabled_ = false;
  std::int64_t due_ = 0;
  int ticks_ = 0;
  std::function<void()> handler_;
};

class FakeTimerFactory final : public TimerFactory {
 public:
  // The clock, when given, moves along with the fake time (whole seconds).
  explicit FakeTimerFactory(ManualClock* clock = nullptr) : clock_(clock) {}
  std::unique_ptr<Timer> CreateTimer() override;

  // Moves fake time forward by `ms`, firing due timers in order. A handler
  // that re-arms its timer is honoured within the same advance.
  void Advance(std::int64_t ms);
  // Fires the earliest enabled timer (moving time to it); false when none is on.
  bool RunNext();
  const std::vector<FakeTimer*>& Timers() const { return timers_; }

 private:
  friend class FakeTimer;
  void MoveTo(std::int64_t ms);
  ManualClock* clock_;
  std::int64_t nowMs_ = 0;
  std::int64_t clockCarryMs_ = 0;
  std::vector<FakeTimer*> timers_;
};

}  // namespace velmora::test
