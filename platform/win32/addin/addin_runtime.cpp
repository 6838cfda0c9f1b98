#include "platform/win32/addin/addin_runtime.h"

#include "addin/connect/buttons.h"
#include "addin/connect/dialog_port.h"
#include "addin/store/addin_services.h"
#include "addin/support/bug_report.h"
#include "common/debug.h"
#include "common/services.h"
#include "platform/win32/adapters/addin_ports_win32.h"
#include "platform/win32/adapters/filesystem_win32.h"
#include "platform/win32/adapters/timer_win32.h"
#include "platform/win32/adapters/win32_services.h"
#include "platform/win32/adapters/xml_msxml.h"
#include "platform/win32/dialogs/dialog_host_win32.h"
#include "platform/win32/outlook/outlook_adapters.h"

namespace velmora::win32 {

namespace {

HMODULE g_module = nullptr;

// The commands' dialogs, owned by the window the user works in: a command
// runs from a click on Outlook's UI thread, so that is this thread's active
// window.
class Win32DialogPort final : public DialogPort {
 public:
  void ShowOnce() override { ShowSendTimeDialog(Owner()); }
  void ShowRecurrence() override { ShowRecurrenceDialog(Owner()); }
  void ShowAbout() override { ShowAboutBox(Owner()); }
  double TwipsPerPixelX() override { return win32::TwipsPerPixelX(); }
  double TwipsPerPixelY() override { return win32::TwipsPerPixelY(); }

 private:
  static HWND Owner() noexcept {
    HWND w = ::GetActiveWindow();
    return w ? w : ::GetForegroundWindow();
  }
};

// The system's own version record: GetVersionEx answers with the version the
// host process is manifested for, RtlGetVersion with the real one.
class Win32OsVersion final : public OsVersionPort {
 public:
  std::optional<OsVersionRecord> Query() override {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return std::nullopt;
    auto fn = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!fn || fn(&info) != 0) return std::nullopt;
    OsVersionRecord r;
    r.platformId = info.dwPlatformId;
    r.major = info.dwMajorVersion;
    r.minor = info.dwMinorVersion;
    r.build = info.dwBuildNumber;
    return r;
  }
};

// Lives until the library unloads; the timer window belongs to the thread
// of the first connection, Outlook's UI thread.
struct Runtime {
  Win32Services os;
  Win32FileSystem files;
  Win32MessageBox messageBox;
  Win32Keystrokes keys;
  Win32Shell shell;
  MsxmlFactory xml;
  std::unique_ptr<Win32TimerFactory> timers;
  std::unique_ptr<OutlookObjectFactory> objects;
  Win32OsVersion osVersion;
};

// The buttons and menu entries, for every add-in object of the process. Never
// destroyed: their host references go at CloseHandlers, and nothing may be
// released into Outlook while the library unloads.
ConnectUi& TheConnectUi() {
  struct Parts {
    Win32DialogPort dialogs;
    std::unique_ptr<ConnectUi> ui = MakeConnectUi(dialogs);
  };
  static Parts* parts = new Parts;
  return *parts->ui;
}

std::unique_ptr<Runtime>& TheRuntime() {
  static std::unique_ptr<Runtime> runtime;
  return runtime;
}

}  // namespace

HMODULE TheModule() noexcept {
  return g_module;
}

void SetModule(HMODULE module) noexcept {
  g_module = module;
}

void InstallPortsOnce() {
  auto& runtime = TheRuntime();
  if (!runtime) {
    auto r = std::make_unique<Runtime>();
    r->timers = std::make_unique<Win32TimerFactory>();
    r->os.Install();
    GetServices().files = &r->files;
    ConfigureDebugLog(kAddinLog);
    // A line logged before (a failed activation) opened the log elsewhere;
    // from now on it lies beside the library.
    ReleaseDebug();
    AddinServices& a = GetAddinServices();
    a.messageBox = &r->messageBox;
    a.keys = &r->keys;
    a.shell = &r->shell;
    a.timers = r->timers.get();
    a.xml = &r->xml;
    mBugReport::SetOsVersionPort(&r->osVersion);
    runtime = std::move(r);
  }
  runtime->objects = std::make_unique<OutlookObjectFactory>();
  GetAddinServices().objects = runtime->objects.get();
}

std::unique_ptr<Connect> CreateEngineConnect() {
  return std::make_unique<Connect>(&TheConnectUi());
}

}  // namespace velmora::win32
