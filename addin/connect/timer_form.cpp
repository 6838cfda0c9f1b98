#include "addin/connect/timer_form.h"

#include "addin/connect/connect.h"
#include "addin/store/addin_services.h"
#include "common/trap.h"

namespace velmora {

namespace {

std::unique_ptr<frmTimer> g_form;
int g_tickDepth = 0;
bool g_unloadPending = false;

// Runs a tick of one of the form's timers; the form may be unloaded by the
// tick itself (closing the last explorer does), so destruction waits.
template <class F>
void Tick(const char* where, F&& f) noexcept {
  ++g_tickDepth;
  Firewall(where, std::forward<F>(f));
  if (--g_tickDepth == 0 && g_unloadPending) {
    g_unloadPending = false;
    Ignore([] { g_form.reset(); });
  }
}

}  // namespace

frmTimer::frmTimer(TimerFactory& factory)
    : ctlTimer_(factory.CreateTimer()),
      ctlInspectorTimer_(factory.CreateTimer()),
      tmrExit_(factory.CreateTimer()) {
  for (Timer* t : {ctlTimer_.get(), ctlInspectorTimer_.get(), tmrExit_.get()}) {
    t->SetEnabled(false);
    t->SetInterval(0);
  }
  ctlTimer_->SetHandler([] {
    Tick("frmTimer.ctlTimer_Timer", [] {
      if (g_Connect) g_Connect->OnTimer();
    });
  });
  ctlInspectorTimer_->SetHandler([] {
    Tick("frmTimer.ctlInspectorTimer_Timer", [] {
      if (g_Connect) g_Connect->OnInspectorTimer();
    });
  });
  tmrExit_->SetHandler([] {
    Tick("frmTimer.tmrExit_Timer", [] {
      if (g_Connect) g_Connect->OnExitTimer();
    });
  });
}

void frmTimer::KillTimers() noexcept {
  Ignore([&] { ctlInspectorTimer_->SetEnabled(false); });
  Ignore([&] { ctlTimer_->SetEnabled(false); });
  Ignore([&] { tmrExit_->SetEnabled(false); });
}

frmTimer& TheTimerForm() {
  g_unloadPending = false;
  if (!g_form) g_form = std::make_unique<frmTimer>(TheTimers());
  return *g_form;
}

bool TimerFormLoaded() noexcept {
  return g_form != nullptr && !g_unloadPending;
}

void UnloadTimerForm() noexcept {
  if (!g_form) return;
  g_form->KillTimers();
  if (g_tickDepth > 0)
    g_unloadPending = true;
  else
    Ignore([] { g_form.reset(); });
}

}  // namespace velmora
