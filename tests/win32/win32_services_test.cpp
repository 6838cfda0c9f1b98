// The Win32 adapters installed together, as the deliverables' entry points
// install them: dates go through the regional settings, and each debug log
// lands beside the deliverable's own file, wherever the process was started
// from. (The clock and the registry are reached in the add-in session: it
// sends what the settings it writes make due.)
#include <gtest/gtest.h>

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

TEST(Win32Services, InstalledTheyReachTheRegionalSettingsAndTheLogFolder) {
  ScopedServices restore(GetServices());
  // Started from elsewhere, as the shell starts the tray launcher at logon.
  const fs::path cwd = fs::current_path();
  fs::current_path(fs::temp_directory_path());
  win32::Win32Services ports;
  ports.Install();
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
