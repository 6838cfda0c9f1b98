#include "platform/win32/orbitel/tray_window.h"

#include <string>

#include "common/host_error.h"
#include "common/trap.h"
#include "tray/tray_names.h"

namespace velmora::win32 {

TrayWindow::TrayWindow(HINSTANCE instance) : instance_(instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance_;
  wc.lpszClassName = kClassName;
  if (!::RegisterClassExW(&wc))
    Raise(err::kAutomation,
          "cannot register the window class (" + std::to_string(::GetLastError()) + ")");
  hwnd_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"Orbitel", WS_OVERLAPPED, 0, 0, 0, 0,
                            nullptr, nullptr, instance_, this);
  if (!hwnd_) {
    const DWORD e = ::GetLastError();
    ::UnregisterClassW(kClassName, instance_);
    Raise(err::kAutomation, "cannot create the window (" + std::to_string(e) + ")");
  }
  taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
  // Run elevated, the shell's broadcast would be filtered out.
  if (taskbarCreated_) ::ChangeWindowMessageFilterEx(hwnd_, taskbarCreated_, MSGFLT_ALLOW, nullptr);
}

TrayWindow::~TrayWindow() {
  events_ = {};
  ::DestroyWindow(hwnd_);
  ::UnregisterClassW(kClassName, instance_);
}

LRESULT CALLBACK TrayWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<TrayWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && self->hwnd_ == hwnd) {
    LRESULT result = 0;
    bool handled = false;
    Firewall("TrayWindow.WindowProc", [&] {
      result = self->Handle(msg, wParam, lParam);
      handled = true;
    });
    if (handled) return result;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT TrayWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == static_cast<UINT>(tray::kCallbackMessage)) {
    // The shell posts the mouse message as the parameter.
    if (events_.onIcon) events_.onIcon(static_cast<int>(LOWORD(lParam)));
    return 0;
  }
  if (taskbarCreated_ != 0 && msg == taskbarCreated_) {
    if (events_.onTaskbarCreated) events_.onTaskbarCreated();
    return 0;
  }
  switch (msg) {
    case WM_CLOSE:
      if (events_.onClose) events_.onClose();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The process may be ended as soon as this returns.
      if (wParam && events_.onClose) events_.onClose();
      return 0;
    default:
      return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
  }
}

}  // namespace velmora::win32
