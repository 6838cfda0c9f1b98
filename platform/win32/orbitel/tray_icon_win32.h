// The notification icon and its pop-up menu through the shell: icon id 1 on
// Orbitel's window, callback message 513, tip "Recent".
#pragma once

#include <windows.h>

#include "tray/tray_ports.h"

namespace velmora::win32 {

class Win32TrayIcon final : public tray::TrayIcon {
 public:
  // The window receives the callbacks and owns the menu; the icon stays
  // owned by the caller.
  Win32TrayIcon(HWND window, HICON icon) noexcept : window_(window), icon_(icon) {}

  void Add() override;
  void Remove() override;
  int ShowMenu(const std::vector<tray::MenuItem>& items) override;

 private:
  HWND window_;
  HICON icon_;
  bool shown_ = false;
};

}  // namespace velmora::win32
