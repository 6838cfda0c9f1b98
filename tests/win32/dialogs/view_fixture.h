// Drives the dialog views under Wine as a user would: each dialog comes from
// its template, and a script per template runs inside its modal loop, sending
// the messages that clicks, typing and focus moves produce. Message boxes,
// pickers and the shell are fakes that record what they were asked.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "addin/dialogs/dialog_services.h"
#include "addin/model/ignore_list.h"
#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/calendar.h"
#include "addin/store/globals.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "common/settings.h"
#include "platform/win32/adapters/unicode.h"
#include "platform/win32/dialogs/dialog_host_win32.h"
#include "platform/win32/dialogs/dialog_ids.h"
#include "platform/win32/dialogs/dialog_view.h"
#include "support/dialog_fakes.h"
#include "support/scripted_message_box.h"

namespace velmora::test {

inline DateTime At(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
  return DateTime::FromParts(y, m, d, h, mi, s);
}

// Runs what the posted notifications of the last action ask for.
inline void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

inline HWND Ctl(HWND dlg, int id) {
  return ::GetDlgItem(dlg, id);
}

inline std::string Text(HWND dlg, int id) {
  wchar_t buf[512] = {};
  ::GetWindowTextW(id ? Ctl(dlg, id) : dlg, buf, 512);
  return win32::Narrow(buf);
}

inline bool Checked(HWND dlg, int id) {
  return ::SendMessageW(Ctl(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
inline bool Visible(HWND dlg, int id) {
  return ::IsWindowVisible(Ctl(dlg, id)) != FALSE;
}
inline bool Enabled(HWND dlg, int id) {
  return ::IsWindowEnabled(Ctl(dlg, id)) != FALSE;
}
inline int Focused(HWND dlg) {
  HWND h = ::GetFocus();
  while (h && ::GetParent(h) != dlg)
    h = ::GetParent(h);
  return h ? ::GetDlgCtrlID(h) : 0;
}

// The user moves the keyboard focus (mouse or Tab).
inline void Focus(HWND dlg, int id) {
  ::SetFocus(Ctl(dlg, id));
  Pump();
}

// The user clicks a button, option or box.
inline void Click(HWND dlg, int id) {
  ::SendMessageW(Ctl(dlg, id), BM_CLICK, 0, 0);
  Pump();
}

// The user types into a field that has the focus.
inline void Type(HWND dlg, int id, const std::string& text) {
  Focus(dlg, id);
  ::SetWindowTextW(Ctl(dlg, id), win32::Widen(text).c_str());
  Pump();
}

inline DateTime Picker(HWND dlg, int id) {
  SYSTEMTIME st{};
  ::SendMessageW(Ctl(dlg, id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
  return DateTime::FromParts(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

// The user changes a picker: the control takes the value and tells its
// dialog, as its own editing does.
inline void Pick(HWND dlg, int id, DateTime v) {
  Focus(dlg, id);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(v.Year());
  st.wMonth = static_cast<WORD>(v.Month());
  st.wDay = static_cast<WORD>(v.Day());
  st.wHour = static_cast<WORD>(v.Hour());
  st.wMinute = static_cast<WORD>(v.Minute());
  st.wSecond = static_cast<WORD>(v.Second());
  ::SendMessageW(Ctl(dlg, id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  NMDATETIMECHANGE nm{};
  nm.nmhdr.hwndFrom = Ctl(dlg, id);
  nm.nmhdr.idFrom = static_cast<UINT_PTR>(id);
  nm.nmhdr.code = DTN_DATETIMECHANGE;
  nm.dwFlags = GDT_VALID;
  nm.st = st;
  ::SendMessageW(dlg, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&nm));
  Pump();
}

class ViewTest : public testing::Test {
 protected:
  ViewTest() {
    g_EditProps = std::make_shared<CMailProps>();
    g_IgnoreList = std::make_unique<CIgnoreList>();
    g_DialogOK = false;
    g_TopMost = false;
    g_OwnerLeft = 1500;
    g_OwnerTop = 1500;
    g_OwnerWidth = 9000;
    g_OwnerHeight = 7500;
    win32::SetDialogObserver([this](int id, HWND dlg) {
      opened.push_back(id);
      const auto it = scripts.find(id);
      if (it != scripts.end() && it->second) it->second(dlg);
      // A script that leaves its dialog open would hang the test: close it
      // as the close box does.
      if (::IsWindow(dlg)) ::PostMessageW(dlg, WM_CLOSE, 0, 0);
    });
  }
  ~ViewTest() override {
    win32::SetDialogObserver(nullptr);
    g_EditProps.reset();
    g_IgnoreList.reset();
    g_TopMost = false;
  }
  CMailProps& Props() { return *g_EditProps; }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : box.shown)
      texts.push_back(m.text);
    return texts;
  }

  PictureLocale locale;  // United States: "h:mm:ss tt" gives "h:mm tt"
  MemorySettings settings;
  ScopedServices services{
      Services{.locale = &locale, .settings = &settings, .logFolder = GetServices().logFolder}};
  ScriptedMessageBox box;
  RecordingShell shell;
  ScopedAddinServices addin{AddinServices{.messageBox = &box, .shell = &shell}};
  win32::Win32DialogHost host{nullptr};
  ScriptedPickers pickers;
  ScopedDialogServices dialogs{
      DialogServices{.screen = &host, .pickers = &pickers, .forms = &host}};
  ScopedFirstDOW firstDow{1};

  std::map<int, std::function<void(HWND)>> scripts;
  std::vector<int> opened;
};

}  // namespace velmora::test
