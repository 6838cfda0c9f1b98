// The hidden timer form (frmTimer): the three timers that drive the add-in
// without a user action. It comes into existence on first use and is
// unloaded when the add-in lets go of the host.
#pragma once

#include <memory>

#include "common/timer.h"

namespace velmora {

class frmTimer {
 public:
  explicit frmTimer(TimerFactory& factory);
  Timer& ctlTimer() { return *ctlTimer_; }
  Timer& ctlInspectorTimer() { return *ctlInspectorTimer_; }
  Timer& tmrExit() { return *tmrExit_; }
  // All three off, errors ignored; also what unloading does.
  void KillTimers() noexcept;

 private:
  std::unique_ptr<Timer> ctlTimer_;
  std::unique_ptr<Timer> ctlInspectorTimer_;
  std::unique_ptr<Timer> tmrExit_;
};

// The form, loaded on first use over the add-in's timer factory.
frmTimer& TheTimerForm();
bool TimerFormLoaded() noexcept;
// Unloads the form; when called from inside one of its own ticks the form
// goes once that tick has returned.
void UnloadTimerForm() noexcept;

}  // namespace velmora
