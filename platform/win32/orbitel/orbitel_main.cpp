// Orbitel.exe, the tray launcher for Windows: while Outlook is closed it
// waits in the notification area, and when the next scheduled mail falls
// due it sets "SendAndExit" and starts Outlook. WinMain is a firewall:
// nothing escapes into Windows.
#include <windows.h>

#include <objbase.h>

#include "common/debug.h"
#include "common/trap.h"
#include "platform/win32/adapters/named_mutex_win32.h"
#include "platform/win32/adapters/outlook_launcher.h"
#include "platform/win32/adapters/timer_win32.h"
#include "platform/win32/adapters/unicode.h"
#include "platform/win32/adapters/win32_services.h"
#include "platform/win32/orbitel/orbitel_resources.h"
#include "platform/win32/orbitel/tray_icon_win32.h"
#include "platform/win32/orbitel/tray_window.h"
#include "tray/form1.h"
#include "tray/tray_names.h"

namespace velmora::win32 {
namespace {

// COM on this thread, for asking whether Outlook runs and for the shell.
class ComApartment {
 public:
  ComApartment() noexcept
      : ok_(SUCCEEDED(
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (ok_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

class MessageLoopQuit final : public tray::QuitPort {
 public:
  void Quit(int exitCode) override { ::PostQuitMessage(exitCode); }
};

HICON LoadSmallIcon(HINSTANCE instance) {
  return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_ORBITEL), IMAGE_ICON,
                                         ::GetSystemMetrics(SM_CXSMICON),
                                         ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

int MessageLoop() {
  MSG msg{};
  for (;;) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return tray::kExitFailure;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

int RunOrbitel(HINSTANCE instance) {
  ConfigureDebugLog(kTrayLog);
  Win32Services services;
  services.Install();
  ComApartment com;

  TrayWindow window(instance);
  UniqueIcon icon(LoadSmallIcon(instance));
  Win32TrayIcon trayIcon(window.Handle(), icon.get());
  Win32TimerFactory timers;
  Win32MutexPort mutex;
  OutlookLauncher outlook;
  MessageLoopQuit quit;
  tray::Form1 form({mutex, outlook, trayIcon, timers, quit});
  window.SetEvents({
      [&](int mouseMessage) { form.TrayHook_MouseDown(mouseMessage); },
      [&] { form.TaskbarCreated(); },
      [&] {
        form.Form_Unload();
        quit.Quit(tray::kExitOk);
      },
  });

  int code = tray::kExitOk;
  switch (form.Form_Load()) {
    case tray::LoadResult::kAlreadyRunning:
      break;
    case tray::LoadResult::kFailed:
      code = tray::kExitFailure;
      break;
    case tray::LoadResult::kRunning:
      code = MessageLoop();
      break;
  }
  window.SetEvents({});
  form.Form_Unload();
  return code;
}

}  // namespace
}  // namespace velmora::win32

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  try {
    return velmora::win32::RunOrbitel(instance);
  } catch (...) {
    velmora::LogCurrentError("WinMain");
    return velmora::tray::kExitFailure;
  }
}
