// The timer port over SetTimer on a message-only window of the calling
// thread: ticks arrive through that thread's message loop, one at a time,
// for the tray launcher and for the add-in inside Outlook alike. Work posted
// through the same window runs there too, after the current handler has
// returned. Free of windows.h, so that portable headers may include it.
#pragma once

#include <memory>

#include "common/dispatcher.h"
#include "common/timer.h"

namespace velmora::win32 {

class Win32TimerFactory final : public TimerFactory, public Dispatcher {
 public:
  // Creates the window on this thread; raises HostError when it cannot.
  Win32TimerFactory();
  // Timers still alive keep the window until they go.
  ~Win32TimerFactory() override;
  Win32TimerFactory(const Win32TimerFactory&) = delete;
  Win32TimerFactory& operator=(const Win32TimerFactory&) = delete;

  std::unique_ptr<Timer> CreateTimer() override;
  // Runs `task` from the message loop, in the order posted; a failing task
  // is logged and the next one runs. Tasks still waiting when the factory
  // goes are dropped. Raises HostError when the message cannot be posted.
  void Post(std::function<void()> task) override;

  struct Window;

 private:
  std::shared_ptr<Window> window_;
};

}  // namespace velmora::win32
