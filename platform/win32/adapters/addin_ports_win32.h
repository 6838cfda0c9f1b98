// The add-in's own ports on Windows: message boxes, keystrokes to the active
// window, the shell's open, and the screen's twips per pixel for the dialog
// hand-over values. Free of windows.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "addin/store/addin_services.h"

namespace velmora::win32 {

// No icon, the add-in's title; brought to the foreground, or kept on top
// while g_TopMost is set (unless the caller asked for either itself).
class Win32MessageBox final : public MessageBoxPort {
 public:
  int Show(std::string_view text, int style) override;
};

// One key of a keystroke text, with the modifiers held for it.
struct KeyStroke {
  unsigned short vk = 0;  // a virtual key, or 0 for a character
  wchar_t ch = 0;         // the character when vk is 0
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool operator==(const KeyStroke&) const = default;
};

// Keystroke text in the usual notation: "+" Shift, "^" Ctrl, "%" Alt for the
// next key or a group in parentheses, "{F9}" and the other key names, "{+}"
// for the sign itself, "{a 3}" repeated, "~" Enter. Raises error 5 for text
// it cannot read (an unknown key name, an unclosed brace or group).
std::vector<KeyStroke> ParseKeys(std::string_view keys);

// Sends the keystrokes with SendInput to whichever window is active.
class Win32Keystrokes final : public KeystrokePort {
 public:
  void SendKeys(std::string_view keys) override;
};

class Win32Shell final : public ShellPort {
 public:
  bool Open(std::string_view fileOrAddress) override;
};

// Twips per screen pixel across and down (15 at 96 dpi).
double TwipsPerPixelX() noexcept;
double TwipsPerPixelY() noexcept;

}  // namespace velmora::win32
