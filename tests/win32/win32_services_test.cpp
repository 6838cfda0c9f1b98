// The Win32 adapters installed together, as the deliverables' entry points
// install them: the common code then reaches the real registry, clock and
// regional settings. (No windows.h here: its HKEY_* macros would rewrite the
// CWinReg root names.)
#include <gtest/gtest.h>
#include <process.h>

#include <ctime>
#include <string>

#include "common/host_error.h"
#include "common/services.h"
#include "common/winreg.h"
#include "platform/win32/adapters/module_path.h"
#include "platform/win32/adapters/win32_services.h"
#include "support/test_registry.h"

namespace velmora {
namespace {

// The clock of the C runtime, which reads the same local time another way.
DateTime RuntimeNow() {
  const std::time_t now = std::time(nullptr);
  const std::tm* tm = std::localtime(&now);
  return DateTime::FromParts(tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour,
                             tm->tm_min, tm->tm_sec);
}

TEST(Win32Services, InstallReachesTheRealPorts) {
  ScopedServices restore(GetServices());
  win32::Win32Services ports;
  ports.Install();

  EXPECT_EQ(GetServices().logFolder, win32::ModuleFolder());

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
}

}  // namespace
}  // namespace velmora
