// The Win32 adapters installed together, as the deliverables' entry points
// install them: the common code then reaches the real registry, clock and
// regional settings, and each debug log lands beside the deliverable's own
// file, wherever the process was started from. (No windows.h here: its
// HKEY_* macros would rewrite the CWinReg root names.)
#include <gtest/gtest.h>
#include <process.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/winreg.h"
#include "platform/win32/adapters/module_path.h"
#include "platform/win32/adapters/win32_services.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// The clock of the C runtime, which reads the same local time another way.
DateTime RuntimeNow() {
  const std::time_t now = std::time(nullptr);
  const std::tm* tm = std::localtime(&now);
  return DateTime::FromParts(tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour,
                             tm->tm_min, tm->tm_sec);
}

TEST(Win32Services, InstalledTheyReachTheRealClockRegistryRegionalSettingsAndLogFolder) {
  ScopedServices restore(GetServices());
  // Started from elsewhere, as the shell starts the tray launcher at logon.
  const fs::path cwd = fs::current_path();
  fs::current_path(fs::temp_directory_path());
  win32::Win32Services ports;
  ports.Install();
  const DateTime before = RuntimeNow();
  const DateTime now = Now();
  const DateTime after = RuntimeNow();
  EXPECT_GE(now.Seconds(), before.Seconds() - 1);
  EXPECT_LE(now.Seconds(), after.Seconds() + 1);
  EXPECT_EQ(ReadDateText(DateText(now)), now);

  // Settings and CWinReg go to the current user's registry.
  const std::string app = std::string("VelmoraTest") + std::to_string(::_getpid());
  ASSERT_TRUE(TheSettings().SaveSetting(app, "Settings", "IgnoreList", "thumbs.db"));
  CWinReg r;
  ASSERT_TRUE(r.InitForRead(CWinReg::HKEY_CURRENT_USER,
                            "Software\\VB and VBA Program Settings\\" + app + "\\Settings"));
  EXPECT_EQ(r.GetString("IgnoreList"), "thumbs.db");
  ASSERT_TRUE(r.InitForAllAccess(CWinReg::HKEY_CURRENT_USER,
                                 "Software\\VB and VBA Program Settings", false));
  EXPECT_TRUE(r.DeleteKeyRec(app));

  // Each debug log lands beside the module, not in the current folder.
  const std::string warning = " Warning : Main.SendMessage\tx\r\n";
  for (const auto& [flavour, file, traces] : {std::tuple{kAddinLog, "Velmora.Log", false},
                                              std::tuple{kTrayLog, "VelmoraTray.log", true}}) {
    const fs::path path = win32::ModuleFolder() / file;
    std::error_code ec;
    fs::remove(path, ec);
    fs::remove(file, ec);
    ReleaseDebug();
    ConfigureDebugLog(flavour);
    g_debug().Out("a trace");
    g_debug().OutWarning("Main.SendMessage", "x");
    ReleaseDebug();

    std::ostringstream read;
    read << std::ifstream(path, std::ios::binary).rdbuf();
    const std::string text = read.str();
    fs::remove(path, ec);
    EXPECT_FALSE(fs::exists(fs::temp_directory_path() / file));
    // Only the tray launcher's log takes traces.
    EXPECT_EQ(text.find(" a trace\r\n") != std::string::npos, traces) << text;
    const auto at = text.rfind(warning);
    ASSERT_NE(at, std::string::npos) << path << ": " << text;
    // The stamp is the local time in the user's regional settings.
    const std::string head = text.substr(0, at);
    const auto stamp = ReadDateText(head.substr(head.rfind('\n') + 1));
    ASSERT_TRUE(stamp.has_value()) << text;
    EXPECT_LE(std::abs(stamp->Seconds() - Now().Seconds()), 5);
  }
  fs::current_path(cwd);
  ReleaseDebug();
  ConfigureDebugLog(kAddinLog);
}

}  // namespace
}  // namespace velmora
