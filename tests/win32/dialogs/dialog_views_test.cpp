// The dialog views under Wine: each dialog from its template, driven by the
// messages a user's clicks, typing and focus moves produce. What the dialogs
// decide is the form models' business (tested natively); here: that each
// control reaches the model, that the model's state is painted, and that the
// dialogs run in their activation context with the version 6 controls.
// Message boxes, pickers and the shell are fakes that record what they were
// asked. The send-time pickers are also driven by the add-in session
// against the stand-in Outlook.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleauto.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "addin/dialogs/dialog_services.h"
#include "addin/dialogs/frm_attachments.h"
#include "addin/model/ignore_list.h"
#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/calendar.h"
#include "addin/store/globals.h"
#include "addin/support/about.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "platform/win32/adapters/unicode.h"
#include "platform/win32/dialogs/dialog_host_win32.h"
#include "platform/win32/dialogs/dialog_ids.h"
#include "platform/win32/dialogs/dialog_view.h"
#include "support/dialog_fakes.h"
#include "support/scripted_message_box.h"

namespace velmora::test {
namespace {

DateTime At(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
  return DateTime::FromParts(y, m, d, h, mi, s);
}

// Runs what the posted notifications of the last action ask for.
void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

HWND Ctl(HWND dlg, int id) {
  return ::GetDlgItem(dlg, id);
}
std::string Text(HWND dlg, int id) {
  wchar_t buf[512] = {};
  ::GetWindowTextW(Ctl(dlg, id), buf, 512);
  return win32::Narrow(buf);
}
bool Checked(HWND dlg, int id) {
  return ::SendMessageW(Ctl(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
int Focused(HWND dlg) {
  HWND h = ::GetFocus();
  while (h && ::GetParent(h) != dlg)
    h = ::GetParent(h);
  return h ? ::GetDlgCtrlID(h) : 0;
}
RECT Rect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

// The user moves the keyboard focus (mouse or Tab), clicks, or types into a
// field.
void Focus(HWND dlg, int id) {
  ::SetFocus(Ctl(dlg, id));
  Pump();
}
void Click(HWND dlg, int id) {
  ::SendMessageW(Ctl(dlg, id), BM_CLICK, 0, 0);
  Pump();
}
void Type(HWND dlg, int id, const std::string& text) {
  Focus(dlg, id);
  ::SetWindowTextW(Ctl(dlg, id), win32::Widen(text).c_str());
  Pump();
}

// The user changes a picker: the control takes the value and tells its
// dialog, as its own editing does.
void Pick(HWND dlg, int id, DateTime v) {
  Focus(dlg, id);
  NMDATETIMECHANGE nm{};
  ::VariantTimeToSystemTime(v.ToOle(), &nm.st);
  ::SendMessageW(Ctl(dlg, id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&nm.st));
  nm.nmhdr = {Ctl(dlg, id), static_cast<UINT_PTR>(id), static_cast<UINT>(DTN_DATETIMECHANGE)};
  nm.dwFlags = GDT_VALID;
  ::SendMessageW(dlg, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&nm));
  Pump();
}

// Each dialog runs the script given for its template inside its modal loop.
class ViewTest : public testing::Test, protected DialogPorts {
 protected:
  ViewTest() {
    ResetDialogGlobals(9000, 7500);
    g_IgnoreList = std::make_unique<CIgnoreList>();
    win32::SetDialogObserver([this](int id, HWND dlg) {
      opened.push_back(id);
      if (scripts[id]) scripts[id](dlg);
      // A script that leaves its dialog open would hang the test: close it
      // as the close box does.
      if (::IsWindow(dlg)) ::PostMessageW(dlg, WM_CLOSE, 0, 0);
    });
  }
  ~ViewTest() override { win32::SetDialogObserver(nullptr); }
  CMailProps& Props() { return *g_EditProps; }

  win32::Win32DialogHost host{nullptr};
  ScopedDialogServices dialogs{
      DialogServices{.screen = &host, .pickers = &pickers, .forms = &host}};
  ScopedFirstDOW firstDow{1};

  std::map<int, std::function<void(HWND)>> scripts;
  std::vector<int> opened;
};

TEST_F(ViewTest, SendTimeDialogRunsInItsActivationContextAndForwardsItsButtons) {
  Props().m_ScheduleTime = At(2026, 12, 7, 9, 30);
  pickers.files = {"C:\\Reports\\weekly.xlsx"};
  HWND once = nullptr;
  scripts[IDD_ONCE] = [&](HWND dlg) {
    once = dlg;
    EXPECT_TRUE(Checked(dlg, IDC_ONCE_OPTONCE));
    EXPECT_EQ(Text(dlg, IDC_ONCE_CTLTIME), "9:30 AM");  // the user's format, no seconds
    // The dialog runs inside the dialogs' own activation context, and its
    // pickers are the version 6 controls that context names.
    HANDLE context = nullptr;
    EXPECT_TRUE(::GetCurrentActCtx(&context) && context);
    ::ReleaseActCtx(context);
    HMODULE module = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(::GetClassLongPtrW(Ctl(dlg, IDC_ONCE_CTLDATE), GCLP_WNDPROC)),
        &module);
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_NE(std::wstring(::_wcslwr(path)).find(L"winsxs"), std::wstring::npos)
        << win32::Narrow(path);
    // Centred on the owner rectangle (twips, 15 to the pixel here).
    const RECT r = Rect(dlg);
    EXPECT_NEAR(r.left, 100 + (600 - (r.right - r.left)) / 2.0, 1.0);
    EXPECT_NEAR(r.top, 100 + (500 - (r.bottom - r.top)) / 2.0, 1.0);

    Click(dlg, IDC_ONCE_BTNHELP);
    Click(dlg, IDC_ONCE_BTNATTACHMENTS);
    EXPECT_TRUE(::IsWindowEnabled(dlg));  // usable again once the list has closed
    Click(dlg, IDOK);
  };
  scripts[IDD_ATTACHMENTS] = [&](HWND dlg) {
    // Modal over the dialog that opened it, a little below and right of it.
    EXPECT_EQ(::GetWindow(dlg, GW_OWNER), once);
    EXPECT_FALSE(::IsWindowEnabled(once));
    Click(dlg, IDC_ATT_BTNADDFILE);
    Click(dlg, IDOK);
  };
  velmora::ShowSendTimeDialog();
  EXPECT_EQ(opened, (std::vector<int>{IDD_ONCE, IDD_ATTACHMENTS}));
  EXPECT_EQ(shell.opened, std::vector<std::string>{HelpFilePath()});
  EXPECT_TRUE(g_DialogOK);
  EXPECT_EQ(Props().m_collAttachments, std::vector<std::string>{"C:\\Reports\\weekly.xlsx"});
}

// Which pattern page shows, daily to yearly, by one control of each.
std::vector<bool> Pages(HWND dlg) {
  std::vector<bool> shown;
  for (int id : {IDC_REC_TXTINTERVAL1, IDC_REC_TXTINTERVAL2, IDC_REC_TXTDAYOFMONTH3,
                 IDC_REC_CBOMONTHOFYEAR44})
    shown.push_back(::IsWindowVisible(Ctl(dlg, id)) != FALSE);
  return shown;
}

TEST_F(ViewTest, RecurrenceDialogPaintsItsPagesAndKeepsTheFocusInAFailedField) {
  Props().m_ScheduleTime = At(2024, 5, 15, 14, 37, 20);  // a Wednesday
  scripts[IDD_ONCE] = [](HWND dlg) { Click(dlg, IDC_ONCE_OPTRECURRENCE); };
  scripts[IDD_RECURRENCE] = [this](HWND dlg) {
    EXPECT_EQ(Pages(dlg), (std::vector<bool>{false, true, false, false}));  // weekly
    EXPECT_TRUE(Checked(dlg, IDC_REC_WEEKDAY4) && !Checked(dlg, IDC_REC_WEEKDAY3));
    EXPECT_FALSE(::IsWindowEnabled(Ctl(dlg, IDC_REC_BTNREMOVEREC)));

    Click(dlg, IDC_REC_OPTDAILY);
    EXPECT_EQ(Pages(dlg), (std::vector<bool>{true, false, false, false}));
    Type(dlg, IDC_REC_TXTINTERVAL1, "0");
    Focus(dlg, IDC_REC_TXTOCCURRENCES);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "The number is not valid.");
    EXPECT_EQ(Focused(dlg), IDC_REC_TXTINTERVAL1);
    // Cancel is reachable whatever the field holds, and checks nothing.
    Focus(dlg, IDCANCEL);
    EXPECT_EQ(box.shown.size(), 1u);
    Type(dlg, IDC_REC_TXTINTERVAL1, "2");
    // Every other day from the 15th: the 13th falls on 8 June.
    Pick(dlg, IDC_REC_CTLENDDATE, At(2024, 6, 8));
    EXPECT_EQ(Text(dlg, IDC_REC_TXTOCCURRENCES), "13");
    Click(dlg, IDOK);
  };
  velmora::ShowSendTimeDialog();
  EXPECT_EQ(opened, (std::vector<int>{IDD_ONCE, IDD_RECURRENCE}));
  EXPECT_TRUE(g_DialogOK);
  EXPECT_TRUE(Props().m_IsRecurring);
  EXPECT_EQ(Props().m_RecurrenceType, 0);
  EXPECT_EQ(Props().m_Interval, 2);
  EXPECT_EQ(Props().m_PatternEndDate, At(2024, 6, 8));
}

TEST_F(ViewTest, WeekStartingMondayMovesTheBoxesButEachKeepsItsDay) {
  const ScopedFirstDOW monday{2};
  Props().m_IsRecurring = true;
  Props().m_RecurrenceType = 1;
  Props().m_Interval = 1;
  Props().m_DayOfWeekMask = 2 | 32;  // Monday and Friday
  Props().m_PatternStartDate = At(2024, 5, 13);
  Props().m_StartTime = DateTime::FromTime(8, 0, 0);
  Props().m_NoEndDate = true;
  scripts[IDD_RECURRENCE] = [](HWND dlg) {
    EXPECT_TRUE(::IsWindowEnabled(Ctl(dlg, IDC_REC_BTNREMOVEREC)));
    EXPECT_TRUE(Checked(dlg, IDC_REC_WEEKDAY2) && Checked(dlg, IDC_REC_WEEKDAY6));
    // Monday first and Sunday last, in tab order and in reading order
    // alike, Thursday ending the first row.
    std::vector<int> tabbed;
    RECT at[8] = {};
    for (HWND h = ::GetWindow(dlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
      const int day = ::GetDlgCtrlID(h) - IDC_REC_WEEKDAY1 + 1;
      if (day < 1 || day > 7) continue;
      tabbed.push_back(day);
      at[day] = Rect(h);
    }
    ASSERT_EQ(tabbed, (std::vector<int>{2, 3, 4, 5, 6, 7, 1}));
    EXPECT_TRUE(at[5].top == at[2].top && at[5].left > at[4].left);
    EXPECT_TRUE(at[6].top > at[2].top && at[1].top == at[6].top && at[1].left > at[7].left);
    Click(dlg, IDC_REC_WEEKDAY1);  // Sunday, now at the end
    Click(dlg, IDOK);
  };
  velmora::ShowRecurrenceDialog();
  EXPECT_TRUE(g_DialogOK);
  EXPECT_EQ(Props().m_DayOfWeekMask, 1 | 2 | 32);
}

// The rows as "name|path".
std::vector<std::string> Rows(HWND dlg) {
  std::vector<std::string> rows;
  const HWND list = Ctl(dlg, IDC_ATT_LVFILES);
  for (int i = 0; i < ::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0); ++i) {
    std::string row;
    for (int column : {0, 1}) {
      wchar_t buf[512] = {};
      LVITEMW item{.iSubItem = column, .pszText = buf, .cchTextMax = 512};
      ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
      row += (column ? "|" : "") + win32::Narrow(buf);
    }
    rows.push_back(row);
  }
  return rows;
}

void SelectRow(HWND dlg, int row) {
  LVITEMW item{.state = LVIS_SELECTED, .stateMask = LVIS_SELECTED};
  ::SendMessageW(Ctl(dlg, IDC_ATT_LVFILES), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
  Pump();
}

TEST_F(ViewTest, AttachmentsListPaintsTheRowsAndForwardsSelectionButtonsAndTyping) {
  Props().m_collAttachments = {"C:\\a\\one.txt", "C:/x/report.txt", "D:\\logs\\"};
  g_IgnoreList->FromString("thumbs.db");
  pickers.files = {"Z:\\logs\\old.log"};
  pickers.folders = {"C:\\Data"};
  // This dialog's own Cancel button takes nothing over.
  scripts[IDD_ATTACHMENTS] = [](HWND dlg) {
    Type(dlg, IDC_ATT_TXTIGNORE, "desktop.ini");
    Click(dlg, IDC_ATT_BTNCANCEL);
  };
  velmora::ShowAttachmentsDialog();
  EXPECT_EQ(g_IgnoreList->ToString(), "thumbs.db");

  scripts[IDD_ATTACHMENTS] = [](HWND dlg) {
    EXPECT_EQ(Rows(dlg),
              (std::vector<std::string>{"one.txt|C:\\a\\one.txt", "report.txt|C:/x/report.txt",
                                        "<LastModificated>|D:\\logs\\"}));
    EXPECT_FALSE(::IsWindowEnabled(Ctl(dlg, IDC_ATT_BTNREMOVE)));
    EXPECT_EQ(Text(dlg, IDC_ATT_TXTIGNORE), "thumbs.db");
    EXPECT_TRUE(Checked(dlg, IDC_ATT_CHKIGNORE));

    Click(dlg, IDC_ATT_BTNADDFOLDER);
    SelectRow(dlg, 1);
    SelectRow(dlg, 3);
    EXPECT_TRUE(::IsWindowEnabled(Ctl(dlg, IDC_ATT_BTNREMOVE)));
    Click(dlg, IDC_ATT_BTNREMOVE);
    EXPECT_EQ(Rows(dlg),
              (std::vector<std::string>{"one.txt|C:\\a\\one.txt", "<LastModificated>|D:\\logs\\"}));
    Click(dlg, IDC_ATT_BNTADDIGNORE);
    EXPECT_EQ(Text(dlg, IDC_ATT_TXTIGNORE), "thumbs.db, old.log");
    Click(dlg, IDC_ATT_CHKIGNORE);
    Click(dlg, IDOK);
  };
  velmora::ShowAttachmentsDialog();
  EXPECT_EQ(Props().m_collAttachments, (std::vector<std::string>{"C:\\a\\one.txt", "D:\\logs\\"}));
  EXPECT_EQ(g_IgnoreList->ToString(), "thumbs.db, old.log");
  EXPECT_FALSE(g_IgnoreList->IgnoreSysHiden());
}

int g_bugReports = 0;
bool g_aboutOpenAtReport = false;
void CountBugReport() {
  ++g_bugReports;
  g_aboutOpenAtReport = win32::DialogView::TopDialog() != nullptr;
}

TEST_F(ViewTest, AboutBoxLinksGoThroughTheShellAndBugReportFollowsTheClosedBox) {
  g_SendBugReport = &CountBugReport;
  scripts[IDD_ABOUT] = [](HWND dlg) {
    for (int id : {IDC_ABOUT_LABELURL, IDC_ABOUT_LBLSUPPORT}) {
      ::SendMessageW(Ctl(dlg, id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
      ::SendMessageW(Ctl(dlg, id), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
      Pump();
    }
    Click(dlg, IDC_ABOUT_BTNHELP);
    EXPECT_EQ(g_bugReports, 0);
    Click(dlg, IDC_ABOUT_BTNBUGREPORT);
  };
  velmora::ShowAboutBox();
  g_SendBugReport = nullptr;
  EXPECT_EQ(shell.opened, (std::vector<std::string>{about_text::kHomePage,
                                                    std::string("mailto:") + about_text::kSupport,
                                                    HelpFilePath()}));
  EXPECT_EQ(g_bugReports, 1);
  EXPECT_FALSE(g_aboutOpenAtReport);
}

}  // namespace
}  // namespace velmora::test
