#include "platform/win32/orbitel/tray_icon_win32.h"

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "common/host_error.h"
#include "platform/win32/adapters/unicode.h"
#include "tray/tray_names.h"

namespace velmora::win32 {

namespace {

NOTIFYICONDATAW IconData(HWND window) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = window;
  nid.uID = tray::kIconId;
  return nid;
}

// The shell reports an HRESULT here as often as a Win32 error: hex reads both.
[[noreturn]] void ShellRefused(const char* what) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(::GetLastError()));
  Raise(err::kAutomation, std::string(what) + " failed (" + code + ")");
}

}  // namespace

void Win32TrayIcon::Add() {
  NOTIFYICONDATAW nid = IconData(window_);
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = tray::kCallbackMessage;
  nid.hIcon = icon_;
  const std::wstring tip = Widen(tray::kIconTip);
  std::wcsncpy(nid.szTip, tip.c_str(), std::size(nid.szTip) - 1);
  // After the shell restarted, the icon we had is gone without a word.
  shown_ = false;
  if (!::Shell_NotifyIconW(NIM_ADD, &nid)) ShellRefused("Shell_NotifyIcon(NIM_ADD)");
  shown_ = true;
}

void Win32TrayIcon::Remove() {
  if (!shown_) return;
  shown_ = false;
  NOTIFYICONDATAW nid = IconData(window_);
  if (!::Shell_NotifyIconW(NIM_DELETE, &nid)) ShellRefused("Shell_NotifyIcon(NIM_DELETE)");
}

int Win32TrayIcon::ShowMenu(const std::vector<tray::MenuItem>& items) {
  UniqueMenu menu(::CreatePopupMenu());
  if (!menu.get()) Raise(err::kOutOfMemory, "CreatePopupMenu failed");
  for (const tray::MenuItem& item : items) {
    const BOOL ok = item.command == 0
                        ? ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr)
                        : ::AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(item.command),
                                        Widen(item.text).c_str());
    if (!ok) ShellRefused("AppendMenu");
  }
  POINT at{};
  ::GetCursorPos(&at);
  // Without the foreground the menu would not close when the user clicks
  // elsewhere.
  ::SetForegroundWindow(window_);
  const int command = static_cast<int>(::TrackPopupMenu(
      menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr));
  static_assert((TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON) == 0x182);
  // Lets the menu's own message loop end cleanly (the shell's known quirk).
  ::PostMessageW(window_, WM_NULL, 0, 0);
  return command;
}

}  // namespace velmora::win32
