#include "platform/win32/adapters/timer_win32.h"

#include <windows.h>

#include <deque>
#include <map>
#include <string>

#include "common/host_error.h"
#include "common/trap.h"

namespace velmora::win32 {

namespace {

constexpr wchar_t kClassName[] = L"VelmoraTimerWindow";
constexpr UINT kPostedWork = WM_APP + 1;

// Inside Outlook the class must belong to the add-in's DLL, not to the exe,
// and must go when the last window of the DLL goes (classes of a DLL are not
// unregistered when it unloads).
HINSTANCE ThisModule() noexcept {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

int g_classUsers = 0;

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

void AddClassUser() {
  if (g_classUsers == 0) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TimerWindowProc;
    wc.hInstance = ThisModule();
    wc.lpszClassName = kClassName;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      Raise(err::kAutomation,
            "cannot register the timer window class (" + std::to_string(::GetLastError()) + ")");
  }
  ++g_classUsers;
}

void RemoveClassUser() noexcept {
  if (--g_classUsers == 0) ::UnregisterClassW(kClassName, ThisModule());
}

class Win32Timer;

}  // namespace

struct Win32TimerFactory::Window {
  HWND hwnd = nullptr;
  UINT_PTR nextId = 1;
  std::map<UINT_PTR, Win32Timer*> timers;
  std::deque<std::function<void()>> posted;

  Window() {
    AddClassUser();
    hwnd = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(),
                             nullptr);
    if (!hwnd) {
      const DWORD e = ::GetLastError();
      RemoveClassUser();
      Raise(err::kAutomation, "cannot create the timer window (" + std::to_string(e) + ")");
    }
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Window() {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd);
    RemoveClassUser();
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void OnTimer(UINT_PTR id);
  // One message per task: a task that pumps messages lets the next run, as
  // any message handler would.
  void RunPosted() {
    if (posted.empty()) return;
    auto task = std::move(posted.front());
    posted.pop_front();
    Firewall("Dispatcher.Post", task);
  }
};

namespace {

class Win32Timer final : public Timer {
 public:
  explicit Win32Timer(std::shared_ptr<Win32TimerFactory::Window> window)
      : window_(std::move(window)), id_(window_->nextId++) {
    window_->timers[id_] = this;
  }
  ~Win32Timer() override {
    ::KillTimer(window_->hwnd, id_);
    window_->timers.erase(id_);
  }
  Win32Timer(const Win32Timer&) = delete;
  Win32Timer& operator=(const Win32Timer&) = delete;

  void SetInterval(int ms) override {
    interval_ = ms;
    Apply();
  }
  int Interval() const override { return interval_; }
  void SetEnabled(bool on) override {
    enabled_ = on;
    Apply();
  }
  bool Enabled() const override { return enabled_; }
  void SetHandler(std::function<void()> onTick) override { handler_ = std::move(onTick); }

  void Fire() {
    // A handler that pumps messages (a menu, a message box) must not see its
    // own timer tick inside itself.
    if (firing_ || !enabled_ || interval_ <= 0) return;
    if (!handler_) return;
    const std::weak_ptr<int> alive = alive_;
    firing_ = true;
    const auto handler = handler_;
    Firewall("Timer", handler);
    // The handler may have destroyed this timer.
    if (!alive.expired()) firing_ = false;
  }

 private:
  // SetTimer with the same id restarts the count, as the port asks.
  void Apply() {
    if (enabled_ && interval_ > 0) {
      if (!::SetTimer(window_->hwnd, id_, static_cast<UINT>(interval_), nullptr))
        Raise(err::kAutomation, "SetTimer failed (" + std::to_string(::GetLastError()) + ")");
    } else {
      ::KillTimer(window_->hwnd, id_);
    }
  }

  std::shared_ptr<Win32TimerFactory::Window> window_;
  UINT_PTR id_;
  int interval_ = 0;
  bool enabled_ = false;
  bool firing_ = false;
  std::function<void()> handler_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace

void Win32TimerFactory::Window::OnTimer(UINT_PTR id) {
  const auto it = timers.find(id);
  if (it == timers.end()) {
    // A tick queued before its timer went.
    ::KillTimer(hwnd, id);
    return;
  }
  it->second->Fire();
}

namespace {

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kPostedWork) {
    auto* window =
        reinterpret_cast<Win32TimerFactory::Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window) Firewall("Dispatcher.Post", [&] { window->RunPosted(); });
    return 0;
  }
  if (msg == WM_TIMER) {
    auto* window =
        reinterpret_cast<Win32TimerFactory::Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window) Firewall("Timer", [&] { window->OnTimer(static_cast<UINT_PTR>(wParam)); });
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

Win32TimerFactory::Win32TimerFactory() : window_(std::make_shared<Window>()) {}

Win32TimerFactory::~Win32TimerFactory() {
  // The window may outlive the factory for its timers; the work posted
  // through the factory goes with it.
  window_->posted.clear();
}

std::unique_ptr<Timer> Win32TimerFactory::CreateTimer() {
  return std::make_unique<Win32Timer>(window_);
}

void Win32TimerFactory::Post(std::function<void()> task) {
  window_->posted.push_back(std::move(task));
  if (!::PostMessageW(window_->hwnd, kPostedWork, 0, 0)) {
    const DWORD e = ::GetLastError();
    window_->posted.pop_back();
    Raise(err::kAutomation, "cannot post work to the window (" + std::to_string(e) + ")");
  }
}

}  // namespace velmora::win32
