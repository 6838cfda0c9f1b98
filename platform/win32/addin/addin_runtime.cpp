#include "platform/win32/addin/addin_runtime.h"

#include "addin/store/addin_services.h"
#include "common/debug.h"
#include "common/services.h"
#include "platform/win32/adapters/addin_ports_win32.h"
#include "platform/win32/adapters/filesystem_win32.h"
#include "platform/win32/adapters/timer_win32.h"
#include "platform/win32/adapters/win32_services.h"
#include "platform/win32/adapters/xml_msxml.h"
#include "platform/win32/outlook/outlook_adapters.h"

namespace velmora::win32 {

namespace {

HMODULE g_module = nullptr;

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
};

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
    runtime = std::move(r);
  }
  runtime->objects = std::make_unique<OutlookObjectFactory>();
  GetAddinServices().objects = runtime->objects.get();
}

std::unique_ptr<Connect> CreateEngineConnect() {
  return std::make_unique<Connect>(nullptr);
}

}  // namespace velmora::win32
