// Orbitel's one window, never shown: it receives the notification-area
// callback, the shell's "TaskbarCreated" broadcast (a message-only window
// would not), and the requests to close at logoff or from outside.
#pragma once

#include <windows.h>

#include <functional>

namespace velmora::win32 {

class TrayWindow {
 public:
  struct Events {
    std::function<void(int mouseMessage)> onIcon;
    std::function<void()> onTaskbarCreated;
    std::function<void()> onClose;
  };

  static constexpr const wchar_t* kClassName = L"OrbitelTrayWindow";

  // Raises HostError when the window cannot be made.
  explicit TrayWindow(HINSTANCE instance);
  ~TrayWindow();
  TrayWindow(const TrayWindow&) = delete;
  TrayWindow& operator=(const TrayWindow&) = delete;

  HWND Handle() const noexcept { return hwnd_; }
  void SetEvents(Events events) { events_ = std::move(events); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  UINT taskbarCreated_ = 0;
  Events events_;
};

}  // namespace velmora::win32
