// The debug log of a Windows deliverable lands beside the deliverable's own
// file, wherever the process was started from.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/debug.h"
#include "common/services.h"
#include "platform/win32/adapters/module_path.h"
#include "platform/win32/adapters/win32_services.h"

namespace velmora {
namespace {

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Removes the log file a test writes at its start and end, and puts the
// process log object back as it was. Only that test's own file: CTest may run
// the other one at the same time in the same folder.
class LogBesideModule : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = win32::ModuleFolder();
    ASSERT_FALSE(folder_.empty());
    ReleaseDebug();
  }
  void TearDown() override {
    ReleaseDebug();
    ConfigureDebugLog(kAddinLog);
    if (!written_.empty()) Remove(written_);
  }
  std::filesystem::path Writes(const LogFlavour& flavour) {
    written_ = folder_ / flavour.fileName;
    Remove(written_);
    return written_;
  }
  static void Remove(const std::filesystem::path& p) {
    std::error_code ec;
    std::filesystem::remove(p, ec);
  }

  std::filesystem::path folder_;
  std::filesystem::path written_;
};

TEST_F(LogBesideModule, AddinLogTakesWarningsBesideTheModule) {
  ScopedServices restore(GetServices());
  win32::Win32Services ports;
  ports.Install();
  const auto path = Writes(kAddinLog);
  ConfigureDebugLog(kAddinLog);
  g_debug().Out("never written by the add-in");
  g_debug().OutWarning("Main.SendMessage", "x");
  ReleaseDebug();

  EXPECT_EQ(path, folder_ / "Velmora.Log");
  ASSERT_TRUE(std::filesystem::exists(path));
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.find("never written"), std::string::npos);
  const std::string tail = " Warning : Main.SendMessage\tx\r\n";
  ASSERT_GT(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  // The stamp is the local time in the user's regional settings.
  const auto stamp = ReadDateText(text.substr(0, text.size() - tail.size()));
  ASSERT_TRUE(stamp.has_value()) << text;
  EXPECT_LE(std::abs(stamp->Seconds() - Now().Seconds()), 5);
}

TEST_F(LogBesideModule, TrayLogTakesTracesBesideTheModuleWhateverTheCurrentFolder) {
  ScopedServices restore(GetServices());
  win32::Win32Services ports;
  ports.Install();
  const auto path = Writes(kTrayLog);

  // Started from elsewhere, as the shell starts the tray launcher at logon.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  ConfigureDebugLog(kTrayLog);
  g_debug().Out("tick");
  ReleaseDebug();
  std::filesystem::current_path(cwd);

  EXPECT_EQ(path, folder_ / "VelmoraTray.log");
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_NE(ReadFile(path).find(" tick\r\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::temp_directory_path() / "VelmoraTray.log"));
}

}  // namespace
}  // namespace velmora
