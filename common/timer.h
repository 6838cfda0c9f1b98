// Timer port: interval timers that tick on the deliverable's one thread.
// Switching a timer on, or setting its interval while on, starts counting
// anew; a switched-off timer raises nothing.
#pragma once

#include <functional>
#include <memory>

namespace velmora {

class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetInterval(int milliseconds) = 0;
  virtual int Interval() const = 0;
  virtual void SetEnabled(bool on) = 0;
  virtual bool Enabled() const = 0;
  // The tick handler; called on the deliverable's thread, never re-entrantly.
  virtual void SetHandler(std::function<void()> onTick) = 0;
};

class TimerFactory {
 public:
  virtual ~TimerFactory() = default;
  virtual std::unique_ptr<Timer> CreateTimer() = 0;
};

}  // namespace velmora
