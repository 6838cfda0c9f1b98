// The Win32 adapters installed together, as the deliverables' entry points
// install them: the common code then reaches the real clock and regional
// settings, and each debug log lands beside the deliverable's own file,
// wherever the process was started from. (The registry is reached in the
// add-in session, which reads the settings it writes.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
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
  EXPECT_LE(std::abs(Now().Seconds() - RuntimeNow().Seconds()), 2);
  const DateTime evening = DateTime::FromParts(2026, 12, 7, 21, 5, 9);
  EXPECT_EQ(ReadDateText(DateText(evening)), evening);

  // Each debug log lands beside the module, not in the current folder.
  for (const auto& [flavour, file] :
       {std::pair{kAddinLog, "Velmora.Log"}, std::pair{kTrayLog, "VelmoraTray.log"}}) {
    const fs::path path = win32::ModuleFolder() / file;
    std::error_code ec;
    fs::remove(path, ec);
    ReleaseDebug();
    ConfigureDebugLog(flavour);
    g_debug().OutWarning("Main.SendMessage", "x");
    ReleaseDebug();
    std::ostringstream read;
    read << std::ifstream(path, std::ios::binary).rdbuf();
    fs::remove(path, ec);
    EXPECT_NE(read.str().find(" Warning : Main.SendMessage\tx\r\n"), std::string::npos) << path;
    EXPECT_FALSE(fs::exists(fs::temp_directory_path() / file));
  }
  fs::current_path(cwd);
  ReleaseDebug();
  ConfigureDebugLog(kAddinLog);
}

}  // namespace
}  // namespace velmora
