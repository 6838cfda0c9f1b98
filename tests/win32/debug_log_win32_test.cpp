// The debug log of a Windows deliverable lands beside the deliverable's own
// file, wherever the process was started from.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/debug.h"
#include "common/services.h"
#include "platform/win32/adapters/module_path.h"

namespace velmora {
namespace {

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Removes the log file at the start and the end, and puts the process log
// object back as it was.
class LogBesideModule : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = win32::ModuleFolder();
    ASSERT_FALSE(folder_.empty());
    ReleaseDebug();
    Remove();
  }
  void TearDown() override {
    ReleaseDebug();
    ConfigureDebugLog(kAddinLog);
    Remove();
  }
  void Remove() {
    std::error_code ec;
    std::filesystem::remove(folder_ / kAddinLog.fileName, ec);
    std::filesystem::remove(folder_ / kTrayLog.fileName, ec);
  }

  std::filesystem::path folder_;
};

TEST_F(LogBesideModule, ModuleFolderIsTheFolderOfThisExecutable) {
  wchar_t exe[MAX_PATH * 4] = {};
  ASSERT_GT(::GetModuleFileNameW(nullptr, exe, MAX_PATH * 4), 0u);
  EXPECT_EQ(win32::ModuleFile(), std::filesystem::path(exe));
  EXPECT_EQ(folder_, std::filesystem::path(exe).parent_path());
  EXPECT_TRUE(std::filesystem::is_directory(folder_));
}

TEST_F(LogBesideModule, AddinLogTakesWarningsBesideTheModule) {
  Services s = GetServices();
  s.logFolder = folder_;
  ScopedServices scope(s);
  ConfigureDebugLog(kAddinLog);
  g_debug().Out("never written by the add-in");
  g_debug().OutWarning("Main.SendMessage", "x");
  ReleaseDebug();

  const auto path = folder_ / "Velmora.Log";
  ASSERT_TRUE(std::filesystem::exists(path));
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.find("never written"), std::string::npos);
  const std::string tail = "Warning : Main.SendMessage\tx\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(LogBesideModule, TrayLogTakesTracesBesideTheModuleWhateverTheCurrentFolder) {
  Services s = GetServices();
  s.logFolder = folder_;
  ScopedServices scope(s);

  // Started from elsewhere, as the shell starts the tray launcher at logon.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  ConfigureDebugLog(kTrayLog);
  g_debug().Out("tick");
  ReleaseDebug();
  std::filesystem::current_path(cwd);

  const auto path = folder_ / "VelmoraTray.log";
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_NE(ReadFile(path).find(" tick\r\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::temp_directory_path() / "VelmoraTray.log"));
}

}  // namespace
}  // namespace velmora
