#include "tray/form1.h"

#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/trap.h"
#include "tray/tick_rules.h"
#include "tray/tray_names.h"

namespace velmora::tray {

Form1::Form1(TrayPorts ports, SettingsLocation settings)
    : ports_(ports), settings_(std::move(settings)), mutex_(ports.mutex) {
  tmrShortTimer_ = ports_.timers.CreateTimer();
  tmrShortTimer_->SetEnabled(false);
  tmrShortTimer_->SetHandler([this] { tmrShortTimer_Timer(); });
}

Form1::~Form1() {
  Form_Unload();
  // The timer goes with the form; a tick must not reach a destroyed form.
  Ignore([&] { tmrShortTimer_->SetHandler(nullptr); });
}

LoadResult Form1::Form_Load() noexcept {
  try {
    if (!mutex_.Create(kMutexName)) return LoadResult::kAlreadyRunning;
    loaded_ = true;
    AddTrayIcon();
    tmrShortTimer_Timer();
    // A first tick that failed has unloaded the form already.
    return loaded_ ? LoadResult::kRunning : LoadResult::kFailed;
  } catch (...) {
    LogCurrentError("Form_Load");
  }
  // A launcher that could not start must not linger without its tick.
  Form_Unload();
  return LoadResult::kFailed;
}

void Form1::tmrShortTimer_Timer() noexcept {
  if (!loaded_) return;
  try {
    tmrShortTimer_->SetEnabled(false);
    const DateTime now = Now();
    if (const std::optional<DateTime> due = LoadRegParam(settings_)) {
      if (IsDue(now, *due) && !ports_.host.IsRunning()) {
        g_debug().Out("tmrShortTimer_Timer: starting the host for ", DateText(*due));
        SetRegParamFlag(settings_);
        StartHost();
      }
    }
    tmrShortTimer_->SetInterval(RearmInterval(now.Second()));
    tmrShortTimer_->SetEnabled(true);
  } catch (...) {
    LogCurrentError("tmrShortTimer_Timer");
    Unload(kExitFailure);
  }
}

void Form1::StartHost() noexcept {
  try {
    ports_.host.Start();
  } catch (...) {
    // The time stays due, so the next tick tries again; ending here would
    // leave the mail unsent for good.
    const ErrorInfo e = DescribeCurrentException();
    Ignore([&] { g_debug().OutWarning("tmrShortTimer_Timer", "start failed: " + e.description); });
  }
}

std::vector<MenuItem> Form1::MenuItems() const {
  return {{kCmdNextOccurence, NextOccurenceCaption(settings_)},
          {0, {}},
          {kCmdExit, std::string(kMenuExit)}};
}

void Form1::TrayHook_MouseDown(int mouseMessage) noexcept {
  if (mouseMessage != kRightButtonUp || !loaded_) return;
  try {
    const int command = ports_.icon.ShowMenu(MenuItems());
    if (command == kCmdExit) Unload(kExitOk);
  } catch (...) {
    LogCurrentError("TrayHook_MouseDown");
  }
}

void Form1::TaskbarCreated() noexcept {
  if (loaded_) AddTrayIcon();
}

void Form1::AddTrayIcon() noexcept {
  Trap("AddTrayIcon", [&] { ports_.icon.Add(); });
}

void Form1::RemoveTrayIcon() noexcept {
  Trap("RemoveTrayIcon", [&] { ports_.icon.Remove(); });
}

void Form1::Form_Unload() noexcept {
  if (!loaded_) {
    mutex_.Done();
    return;
  }
  loaded_ = false;
  RemoveTrayIcon();
  mutex_.Done();
  Ignore([&] { tmrShortTimer_->SetEnabled(false); });
}

void Form1::Unload(int exitCode) noexcept {
  Form_Unload();
  Ignore([&] { ports_.quit.Quit(exitCode); });
}

}  // namespace velmora::tray
