// A program a Windows test starts (the tray launcher, a stand-in): ended by
// force if still running when the test is done, and its tray window asked to
// close as the system does at logoff.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

namespace velmora::test {

class LaunchedProcess {
 public:
  explicit LaunchedProcess(const std::filesystem::path& exe) {
    STARTUPINFOW si{.cb = sizeof(STARTUPINFOW)};
    std::wstring command = L"\"" + exe.wstring() + L"\"";
    ok_ = ::CreateProcessW(exe.wstring().c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                           nullptr, exe.parent_path().wstring().c_str(), &si, &pi_) != 0;
  }
  ~LaunchedProcess() {
    if (!ok_) return;
    if (Running()) {
      ::TerminateProcess(pi_.hProcess, 99);
      ::WaitForSingleObject(pi_.hProcess, 5000);
    }
    ::CloseHandle(pi_.hThread);
    ::CloseHandle(pi_.hProcess);
  }
  LaunchedProcess(const LaunchedProcess&) = delete;
  LaunchedProcess& operator=(const LaunchedProcess&) = delete;

  bool Started() const { return ok_; }
  bool Running() const { return ok_ && ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
  // The exit code once ended within `ms`; nothing otherwise.
  std::optional<DWORD> Wait(DWORD ms) const {
    if (::WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }
  // Asks the launcher's tray window to close.
  bool Close() const {
    for (HWND h = nullptr; (h = ::FindWindowExW(nullptr, h, L"OrbitelTrayWindow", nullptr));) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(h, &pid);
      if (pid == pi_.dwProcessId) return ::PostMessageW(h, WM_CLOSE, 0, 0) != FALSE;
    }
    return false;
  }

 private:
  bool ok_ = false;
  PROCESS_INFORMATION pi_{};
};

}  // namespace velmora::test
