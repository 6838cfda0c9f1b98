// Form1: the tray launcher's one form, never shown. It holds the
// single-instance mutex, the notification icon and the half-minute timer
// whose tick starts the mail host when the recorded next due time has come.
// Everything runs on the program's one thread, from its message loop.
#pragma once

#include <memory>
#include <string>

#include "common/timer.h"
#include "tray/cmutex.h"
#include "tray/reg_params.h"
#include "tray/tray_ports.h"

namespace velmora::tray {

struct TrayPorts {
  MutexPort& mutex;
  HostLauncher& host;
  TrayIcon& icon;
  TimerFactory& timers;
  QuitPort& quit;
};

enum class LoadResult {
  kRunning,         // enter the message loop
  kAlreadyRunning,  // another copy holds the mutex: end silently
  kFailed,          // logged; end with kExitFailure
};

class Form1 {
 public:
  explicit Form1(TrayPorts ports, SettingsLocation settings = {});
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Takes the mutex, adds the icon and runs the first tick at once.
  LoadResult Form_Load() noexcept;
  // Reads the next due time; when it has come and the host is not running,
  // flags "SendAndExit" and starts the host; re-arms for the next half minute.
  void tmrShortTimer_Timer() noexcept;
  // The notification-area callback with its mouse message.
  void TrayHook_MouseDown(int mouseMessage) noexcept;
  // The shell's taskbar was (re)created: the icon must be added again.
  void TaskbarCreated() noexcept;
  // Removes the icon, releases the mutex, stops the timer. Runs once.
  void Form_Unload() noexcept;

  bool Loaded() const noexcept { return loaded_; }
  const Timer& ShortTimer() const noexcept { return *tmrShortTimer_; }
  const CMutex& Mutex() const noexcept { return mutex_; }
  // The items of the pop-up menu as they would show now.
  std::vector<MenuItem> MenuItems() const;

 private:
  // Ends the program: Form_Unload, then the message loop stops.
  void Unload(int exitCode) noexcept;
  void AddTrayIcon() noexcept;
  void RemoveTrayIcon() noexcept;
  void StartHost() noexcept;

  TrayPorts ports_;
  SettingsLocation settings_;
  CMutex mutex_;
  std::unique_ptr<Timer> tmrShortTimer_;
  bool loaded_ = false;
};

}  // namespace velmora::tray
