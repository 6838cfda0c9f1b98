#include "support/fake_timers.h"

#include <algorithm>

namespace velmora::test {

FakeTimer::~FakeTimer() {
  auto& v = owner_->timers_;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void FakeTimer::Restart() {
  due_ = owner_->nowMs_ + (interval_ > 0 ? interval_ : 0);
}

void FakeTimer::SetInterval(int ms) {
  interval_ = ms;
  if (enabled_) Restart();
}

void FakeTimer::SetEnabled(bool on) {
  enabled_ = on;
  if (on) Restart();
}

std::unique_ptr<Timer> FakeTimerFactory::CreateTimer() {
  auto t = std::make_unique<FakeTimer>(*this);
  timers_.push_back(t.get());
  return t;
}

void FakeTimerFactory::MoveTo(std::int64_t ms) {
  if (ms <= nowMs_) return;
  if (clock_) {
    clockCarryMs_ += ms - nowMs_;
    clock_->Advance(clockCarryMs_ / 1000);
    clockCarryMs_ %= 1000;
  }
  nowMs_ = ms;
}

bool FakeTimerFactory::RunNext() {
  FakeTimer* next = nullptr;
  for (FakeTimer* t : timers_)
    // An interval of 0 never fires, as with the host's timers.
    if (t->enabled_ && t->interval_ > 0 && (!next || t->due_ < next->due_)) next = t;
  if (!next) return false;
  MoveTo(next->due_);
  next->Restart();
  ++next->ticks_;
  if (next->handler_) next->handler_();
  return true;
}

void FakeTimerFactory::Advance(std::int64_t ms) {
  const std::int64_t end = nowMs_ + ms;
  for (;;) {
    FakeTimer* next = nullptr;
    for (FakeTimer* t : timers_)
      if (t->enabled_ && t->interval_ > 0 && t->due_ <= end && (!next || t->due_ < next->due_))
        next = t;
    if (!next) break;
    RunNext();
  }
  MoveTo(end);
}

}  // namespace velmora::test
