#include "platform/win32/adapters/addin_ports_win32.h"

#include "platform/win32/adapters/unicode.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "addin/store/globals.h"
#include "common/host_error.h"

namespace velmora::win32 {

namespace {
constexpr wchar_t kTitle[] = L"Velmora";

[[noreturn]] void BadKeys(std::string_view keys) {
  Raise(err::kInvalidCall,
        "Invalid procedure call or argument (keys \"" + std::string(keys) + "\")");
}

struct KeyName {
  const char* name;
  unsigned short vk;
};
constexpr KeyName kKeyNames[] = {
    {"ENTER", VK_RETURN},    {"TAB", VK_TAB},           {"ESC", VK_ESCAPE},
    {"ESCAPE", VK_ESCAPE},   {"BACKSPACE", VK_BACK},    {"BS", VK_BACK},
    {"BKSP", VK_BACK},       {"DELETE", VK_DELETE},     {"DEL", VK_DELETE},
    {"INSERT", VK_INSERT},   {"INS", VK_INSERT},        {"HOME", VK_HOME},
    {"END", VK_END},         {"PGUP", VK_PRIOR},        {"PGDN", VK_NEXT},
    {"UP", VK_UP},           {"DOWN", VK_DOWN},         {"LEFT", VK_LEFT},
    {"RIGHT", VK_RIGHT},     {"BREAK", VK_CANCEL},      {"CAPSLOCK", VK_CAPITAL},
    {"NUMLOCK", VK_NUMLOCK}, {"SCROLLLOCK", VK_SCROLL}, {"HELP", VK_HELP},
    {"PRTSC", VK_SNAPSHOT},
};

unsigned short NamedKey(const std::string& upper) {
  if (upper.size() >= 2 && upper[0] == 'F' &&
      std::all_of(upper.begin() + 1, upper.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
      upper.size() <= 3) {
    const int n = std::stoi(upper.substr(1));
    if (n >= 1 && n <= 16) return static_cast<unsigned short>(VK_F1 + n - 1);
  }
  for (const KeyName& k : kKeyNames)
    if (upper == k.name) return k.vk;
  return 0;
}

}  // namespace

int Win32MessageBox::Show(std::string_view text, int style) {
  UINT flags = static_cast<UINT>(style) & ~static_cast<UINT>(MB_ICONMASK);
  if (!(flags & (MB_TOPMOST | MB_SETFOREGROUND)))
    flags |= g_TopMost ? MB_TOPMOST : MB_SETFOREGROUND;
  // Owned by the window the user works in (an open dialog, or Outlook's), so
  // that the box is modal to it.
  const int r = ::MessageBoxW(::GetActiveWindow(), Widen(text).c_str(), kTitle, flags);
  if (r == 0)
    Raise(err::kAutomation, "MessageBox failed (" + std::to_string(::GetLastError()) + ")");
  return r;
}

std::vector<KeyStroke> ParseKeys(std::string_view keys) {
  std::vector<KeyStroke> out;
  const std::wstring w = Widen(keys);
  KeyStroke mods;       // modifiers waiting for their key
  KeyStroke groupMods;  // modifiers of an open group
  bool inGroup = false;
  auto push = [&](KeyStroke k) {
    const KeyStroke& m = inGroup ? groupMods : mods;
    k.shift = k.shift || m.shift || mods.shift;
    k.ctrl = k.ctrl || m.ctrl || mods.ctrl;
    k.alt = k.alt || m.alt || mods.alt;
    out.push_back(k);
    mods = {};
  };
  for (std::size_t i = 0; i < w.size(); ++i) {
    const wchar_t c = w[i];
    if (c == L'+') {
      mods.shift = true;
    } else if (c == L'^') {
      mods.ctrl = true;
    } else if (c == L'%') {
      mods.alt = true;
    } else if (c == L'(') {
      if (inGroup) BadKeys(keys);
      inGroup = true;
      groupMods = mods;
      mods = {};
    } else if (c == L')') {
      if (!inGroup) BadKeys(keys);
      inGroup = false;
      groupMods = {};
      mods = {};
    } else if (c == L'~') {
      push({.vk = VK_RETURN});
    } else if (c == L'{') {
      // "{}}" names the closing brace itself.
      std::size_t close = w.find(L'}', i + 2);
      if (i + 1 < w.size() && w[i + 1] == L'}')
        close = i + 2 < w.size() && w[i + 2] == L'}' ? i + 2 : std::wstring::npos;
      if (close == std::wstring::npos) BadKeys(keys);
      std::wstring inside = w.substr(i + 1, close - i - 1);
      int repeat = 1;
      const std::size_t space = inside.find(L' ');
      if (space != std::wstring::npos && space > 0) {
        const std::wstring count = inside.substr(space + 1);
        if (count.empty() || count.size() > 4 ||
            !std::all_of(count.begin(), count.end(),
                         [](wchar_t d) { return d >= L'0' && d <= L'9'; }))
          BadKeys(keys);
        repeat = std::stoi(count);
        inside.resize(space);
      }
      KeyStroke k;
      if (inside.size() == 1) {
        k.ch = inside[0];
      } else {
        std::string upper = Narrow(inside);
        for (char& ch : upper)
          ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        k.vk = NamedKey(upper);
        if (!k.vk) BadKeys(keys);
      }
      for (int n = 0; n < repeat; ++n) {
        const KeyStroke saved = mods;
        push(k);
        mods = saved;
      }
      mods = {};
      i = close;
    } else if (c == L'}') {
      BadKeys(keys);
    } else {
      push({.ch = c});
    }
  }
  if (inGroup) BadKeys(keys);
  return out;
}

void Win32Keystrokes::SendKeys(std::string_view keys) {
  std::vector<INPUT> inputs;
  auto key = [&](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(in);
  };
  auto unicode = [&](wchar_t ch, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = ch;
    in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    inputs.push_back(in);
  };
  for (const KeyStroke& k : ParseKeys(keys)) {
    WORD vk = k.vk;
    bool shift = k.shift;
    // A character with modifiers goes as its key, so that "%f" is Alt+F.
    if (!vk && (k.ctrl || k.alt)) {
      const SHORT scan = ::VkKeyScanW(k.ch);
      if (scan != -1) {
        vk = LOBYTE(scan);
        shift = shift || (HIBYTE(scan) & 1);
      }
    }
    if (shift) key(VK_SHIFT, false);
    if (k.ctrl) key(VK_CONTROL, false);
    if (k.alt) key(VK_MENU, false);
    if (vk) {
      key(vk, false);
      key(vk, true);
    } else {
      unicode(k.ch, false);
      unicode(k.ch, true);
    }
    if (k.alt) key(VK_MENU, true);
    if (k.ctrl) key(VK_CONTROL, true);
    if (shift) key(VK_SHIFT, true);
  }
  if (inputs.empty()) return;
  const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size())
    Raise(err::kAutomation, "SendInput failed (" + std::to_string(::GetLastError()) + ")");
}

bool Win32Shell::Open(std::string_view fileOrAddress) {
  const auto target = WidenName(fileOrAddress);
  if (!target || target->empty()) return false;
  const auto r = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", target->c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return r > 32;
}

namespace {
double TwipsPerPixel(int axis) noexcept {
  const HDC dc = ::GetDC(nullptr);
  const int dpi = dc ? ::GetDeviceCaps(dc, axis) : 0;
  if (dc) ::ReleaseDC(nullptr, dc);
  return dpi > 0 ? 1440.0 / dpi : 15.0;
}
}  // namespace

double TwipsPerPixelX() noexcept {
  return TwipsPerPixel(LOGPIXELSX);
}
double TwipsPerPixelY() noexcept {
  return TwipsPerPixel(LOGPIXELSY);
}

}  // namespace velmora::win32
