// Orbitel.exe as a process, under the real registry and shell: a mail that
// is due while Outlook is closed makes it write "SendAndExit" = "1" and start
// outlook.exe (the stand-in helper, registered under App Paths); a second
// copy ends at once with status 0 and leaves the first one running; the
// first ends cleanly when asked to close. The waits are bounded polls for
// another process's effect.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "common/datetime.h"
#include "platform/win32/adapters/locale_win32.h"
#include "platform/win32/adapters/module_path.h"
#include "platform/win32/adapters/outlook_launcher.h"
#include "platform/win32/adapters/unicode.h"
#include "tests/win32/launched_process.h"

namespace velmora::win32 {

using test::LaunchedProcess;
namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 30s;
constexpr DWORD kPatienceMs = 30000;
constexpr wchar_t kSettings[] = L"Software\\Norvane\\Velmora";
constexpr wchar_t kAppPath[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\outlook.exe";

bool WaitFor(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + kPatience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

std::optional<std::wstring> ReadValue(HKEY root, const wchar_t* key, const wchar_t* name) {
  DWORD size = 0;
  if (::RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring value(size / sizeof(wchar_t), L'\0');
  if (::RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.resize(size / sizeof(wchar_t) > 0 ? size / sizeof(wchar_t) - 1 : 0);
  return value;
}

bool WriteValue(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& value) {
  return ::RegSetKeyValueW(root, key, name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
         ERROR_SUCCESS;
}

void DeleteValue(HKEY root, const wchar_t* key, const wchar_t* name) {
  ::RegDeleteKeyValueW(root, key, name);
}

// Puts a registry value back as it was before the test, whatever happens.
class SavedValue {
 public:
  SavedValue(HKEY root, const wchar_t* key, const wchar_t* name)
      : root_(root), key_(key), name_(name ? name : L""), old_(ReadValue(root, key, name)) {
    HKEY k = nullptr;
    keyExisted_ = ::RegOpenKeyExW(root, key, 0, KEY_READ, &k) == ERROR_SUCCESS;
    if (k) ::RegCloseKey(k);
  }
  ~SavedValue() {
    const wchar_t* name = name_.empty() ? nullptr : name_.c_str();
    if (old_)
      WriteValue(root_, key_.c_str(), name, *old_);
    else if (!keyExisted_)
      ::RegDeleteTreeW(root_, key_.c_str());
    else
      DeleteValue(root_, key_.c_str(), name);
  }
  bool Existed() const { return old_.has_value(); }

 private:
  HKEY root_;
  std::wstring key_;
  std::wstring name_;
  std::optional<std::wstring> old_;
  bool keyExisted_ = false;
};

class ScopedEnvW {
 public:
  ScopedEnvW(const wchar_t* name, const std::wstring& value) : name_(name) {
    ::SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedEnvW() { ::SetEnvironmentVariableW(name_, nullptr); }

 private:
  const wchar_t* name_;
};

bool MutexExists() {
  HANDLE h = ::OpenMutexW(SYNCHRONIZE, FALSE, L"Brelcor.VelmoraTray");
  if (!h) return false;
  ::CloseHandle(h);
  return true;
}

std::string ReadText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The 32- and 64-bit runs may share one Wine prefix and run side by side:
// they take turns, as two launchers of one logon could not run together.
class TestTurn {
 public:
  TestTurn() : h_(::CreateMutexW(nullptr, FALSE, L"VelmoraTest.OrbitelProcess")) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(4 * kPatience).count();
    const DWORD r = h_ ? ::WaitForSingleObject(h_, static_cast<DWORD>(ms)) : WAIT_FAILED;
    owned_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  }
  ~TestTurn() {
    if (owned_) ::ReleaseMutex(h_);
    if (h_) ::CloseHandle(h_);
  }
  bool Owned() const { return owned_; }

 private:
  HANDLE h_;
  bool owned_ = false;
};

TEST(OrbitelProcessTest, StartsOutlookWhenDueAndRunsOnlyOnce) {
  TestTurn turn;
  ASSERT_TRUE(turn.Owned());
  const std::filesystem::path tests = ModuleFolder();
  const auto orbitel = tests.parent_path() / "platform" / "win32" / "orbitel" / "Orbitel.exe";
  const auto standIn = tests / "outlook.exe";
  ASSERT_TRUE(std::filesystem::exists(orbitel)) << orbitel;
  ASSERT_TRUE(std::filesystem::exists(standIn)) << standIn;
  if (MutexExists()) GTEST_SKIP() << "a tray launcher already runs in this logon";
  if (OutlookLauncher().IsRunning()) GTEST_SKIP() << "Outlook runs: nothing would be started";

  // The settings the add-in would have written, and where the shell finds
  // outlook.exe; everything is put back afterwards.
  SavedValue next(HKEY_CURRENT_USER, kSettings, L"NextOccurence");
  SavedValue flag(HKEY_CURRENT_USER, kSettings, L"SendAndExit");
  SavedValue userAppPath(HKEY_CURRENT_USER, kAppPath, nullptr);
  ASSERT_TRUE(WriteValue(HKEY_CURRENT_USER, kAppPath, nullptr, standIn.wstring()));
  // Wine's shell looks under the machine's key only; never replace one a
  // real installation put there.
  std::optional<SavedValue> machineAppPath;
  if (!ReadValue(HKEY_LOCAL_MACHINE, kAppPath, nullptr)) {
    machineAppPath.emplace(HKEY_LOCAL_MACHINE, kAppPath, nullptr);
    WriteValue(HKEY_LOCAL_MACHINE, kAppPath, nullptr, standIn.wstring());
  }
  const std::wstring due =
      Widen(Win32Locale().FormatDateTime(DateTime::FromParts(2020, 1, 1, 9, 0, 0)));
  ASSERT_TRUE(WriteValue(HKEY_CURRENT_USER, kSettings, L"NextOccurence", due));
  DeleteValue(HKEY_CURRENT_USER, kSettings, L"SendAndExit");

  const auto marker = std::filesystem::temp_directory_path() /
                      ("velmora-outlook-" + std::to_string(::GetCurrentProcessId()) + ".txt");
  std::filesystem::remove(marker);
  ScopedEnvW env(L"VELMORA_OUTLOOK_MARKER", marker.wstring());

  LaunchedProcess first(orbitel);
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(WaitFor([&] { return MutexExists() || !first.Running(); }));
  ASSERT_TRUE(first.Running()) << "exit code " << first.Wait(kPatienceMs).value_or(0);

  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(marker); }))
      << "outlook.exe was not started; log:\n"
      << ReadText(orbitel.parent_path() / "VelmoraTray.log");
  const std::string seen = ReadText(marker);
  const std::wstring line(reinterpret_cast<const wchar_t*>(seen.data()),
                          seen.size() / sizeof(wchar_t));
  // The flag was there before Outlook came up.
  EXPECT_EQ(line, L"started SendAndExit=1\r\n");
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettings, L"SendAndExit"), L"1");

  {
    LaunchedProcess second(orbitel);
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.Wait(kPatienceMs), std::optional<DWORD>(0));
  }
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(MutexExists());

  ASSERT_TRUE(first.Close());
  EXPECT_EQ(first.Wait(kPatienceMs), std::optional<DWORD>(0));
  EXPECT_FALSE(MutexExists());
  std::filesystem::remove(marker);

  const std::string log = ReadText(orbitel.parent_path() / "VelmoraTray.log");
  EXPECT_NE(log.find("starting the host for"), std::string::npos) << log;
}

}  // namespace
}  // namespace velmora::win32
