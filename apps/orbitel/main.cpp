// orbitel for Linux: the tray launcher without a tray. `orbitel run` (the
// default) waits for a scheduled mail to fall due while the host is not
// running, then sets "SendAndExit" and starts `velmora run`; `orbitel
// status` prints what the tray menu's first line would show.
#include <signal.h>

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "common/debug.h"
#include "common/services.h"
#include "common/settings.h"
#include "common/trap.h"
#include "platform/posix/event_loop.h"
#include "platform/posix/host_lock.h"
#include "platform/posix/live_regional_locale.h"
#include "platform/posix/orbitel_ports.h"
#include "platform/posix/paths.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/spawn_detached.h"
#include "platform/posix/system_clock.h"
#include "tray/form1.h"
#include "tray/reg_params.h"
#include "tray/tray_names.h"

namespace velmora::posix {
namespace {

constexpr const char* kUsage =
    "usage: orbitel [run|status]\n"
    "  run     start velmora when a scheduled mail falls due (default)\n"
    "  status  print the next due time\n";

int RunLauncher() {
  EventLoop loop;
  for (int signo : {SIGINT, SIGTERM, SIGHUP})
    loop.OnSignal(signo, [&](int) { loop.Quit(0); });
  LockFileMutex mutex(StateHome() / "orbitel.lock");
  VelmoraLauncher host(HostLock::DefaultPath(), SelfFolder());
  NoTrayIcon icon;
  LoopQuit quit(loop);
  tray::Form1 form({mutex, host, icon, loop, quit});
  switch (form.Form_Load()) {
    case tray::LoadResult::kAlreadyRunning:
      return tray::kExitOk;
    case tray::LoadResult::kFailed:
      std::fprintf(stderr, "orbitel: could not start; see %s\n",
                   g_debug().FilePath().string().c_str());
      return tray::kExitFailure;
    case tray::LoadResult::kRunning:
      break;
  }
  const int code = loop.Run();
  form.Form_Unload();
  return code;
}

int Main(int argc, char** argv) {
  const std::string_view command = argc > 1 ? argv[1] : "run";
  if (command == "-h" || command == "--help" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc > 2 || (command != "run" && command != "status")) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  EnsurePrivateDir(StateHome());
  GetServices().logFolder = StateHome();
  ConfigureDebugLog(kTrayLog);
  SqliteRegistry registry(SqliteRegistry::DefaultPath());
  if (!registry.Ok()) {
    std::fprintf(stderr, "orbitel: cannot open the registry %s: %s\n",
                 SqliteRegistry::DefaultPath().string().c_str(), registry.LastError().c_str());
    return tray::kExitFailure;
  }
  RegistrySettings settings(registry);
  // The host's regional settings, read anew at every use: the next due time
  // is written in whatever they are when the host writes it.
  LiveRegionalLocale locale(registry);
  SystemClock clock;
  ScopedServices use({.clock = &clock,
                      .locale = &locale,
                      .registry = &registry,
                      .settings = &settings,
                      .logFolder = GetServices().logFolder});
  // The log may write a last line at exit, even on an exception: it must not
  // reach the ports above once they are gone, so it goes before them.
  struct LogRelease {
    ~LogRelease() { ReleaseDebug(); }
  } release;

  if (command == "status") {
    std::printf("%s\n", tray::NextOccurenceCaption().c_str());
    return tray::kExitOk;
  }
  return RunLauncher();
}

}  // namespace
}  // namespace velmora::posix

int main(int argc, char** argv) {
  try {
    return velmora::posix::Main(argc, argv);
  } catch (...) {
    velmora::LogCurrentError("orbitel.main");
    const velmora::ErrorInfo e = velmora::DescribeCurrentException();
    std::fprintf(stderr, "orbitel: %s\n", e.description.c_str());
    return velmora::tray::kExitFailure;
  }
}
