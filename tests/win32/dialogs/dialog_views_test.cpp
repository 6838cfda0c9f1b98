// The dialog views under Wine: each dialog from its template, driven by the
// messages a user's clicks, typing and focus moves produce, and checked
// through the record, the shared flags and what the fakes were asked.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "addin/dialogs/frm_attachments.h"
#include "addin/support/about.h"
#include "tests/win32/dialogs/view_fixture.h"

namespace velmora::test {
namespace {

// The focusable controls in tab order (window order), labels and frames left out.
std::vector<int> TabOrder(HWND dlg) {
  std::vector<int> ids;
  for (HWND h = ::GetWindow(dlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    ::GetClassNameW(h, cls, 64);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(h, GWL_STYLE));
    if (lstrcmpiW(cls, L"Static") == 0) continue;
    if (lstrcmpiW(cls, L"Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX) continue;
    ids.push_back(::GetDlgCtrlID(h));
  }
  return ids;
}

RECT Rect(HWND dlg, int id) {
  RECT r{};
  ::GetWindowRect(Ctl(dlg, id), &r);
  return r;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string RowText(HWND dlg, int row, int column) {
  wchar_t buf[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buf;
  item.cchTextMax = 512;
  ::SendMessageW(Ctl(dlg, IDC_ATT_LVFILES), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
  return win32::Narrow(buf);
}

int Rows(HWND dlg) {
  return static_cast<int>(::SendMessageW(Ctl(dlg, IDC_ATT_LVFILES), LVM_GETITEMCOUNT, 0, 0));
}

void SelectRow(HWND dlg, int row) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  ::SendMessageW(Ctl(dlg, IDC_ATT_LVFILES), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
  Pump();
}

TEST_F(ViewTest, SendTimeDialogShowsTheRecordAndStoresThePickedMinute) {
  Props().m_ScheduleTime = At(2026, 12, 7, 9, 30);
  scripts[IDD_ONCE] = [](HWND dlg) {
    EXPECT_EQ(Text(dlg, 0), "Velmora");
    EXPECT_EQ(Text(dlg, IDC_ONCE_FRAME3), "Select date and time for the e-mail to be sent.");
    EXPECT_EQ(Text(dlg, IDC_ONCE_OPTRECURRENCE), "&Recurrence...");
    EXPECT_EQ(Text(dlg, IDOK), "Velmora");
    EXPECT_EQ(TabOrder(dlg),
              (std::vector<int>{IDC_ONCE_OPTONCE, IDC_ONCE_OPTRECURRENCE, IDC_ONCE_CTLDATE,
                                IDC_ONCE_CTLTIME, IDOK, IDC_ONCE_BTNATTACHMENTS, IDC_ONCE_BTNHELP,
                                IDCANCEL}));
    EXPECT_TRUE(Checked(dlg, IDC_ONCE_OPTONCE));
    EXPECT_EQ(Text(dlg, IDC_ONCE_CTLTIME), "9:30 AM");  // the user's format, no seconds
    EXPECT_EQ(Picker(dlg, IDC_ONCE_CTLDATE).DatePart(), At(2026, 12, 7));
    EXPECT_EQ(Picker(dlg, IDC_ONCE_CTLTIME).TimePart(), DateTime::FromTime(9, 30, 0));
    // The dialog runs inside the dialogs' own activation context, and its
    // pickers are the version 6 controls that context names.
    HANDLE context = nullptr;
    EXPECT_TRUE(::GetCurrentActCtx(&context));
    EXPECT_NE(context, nullptr);
    if (context) ::ReleaseActCtx(context);
    HMODULE module = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(::GetClassLongPtrW(Ctl(dlg, IDC_ONCE_CTLDATE), GCLP_WNDPROC)),
        &module);
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_NE(Lower(win32::Narrow(path)).find("winsxs"), std::string::npos) << win32::Narrow(path);
    // Centred on the owner rectangle (twips, 15 to the pixel here).
    RECT r{};
    ::GetWindowRect(dlg, &r);
    EXPECT_NEAR(r.left, 100 + (600 - (r.right - r.left)) / 2.0, 1.0);
    EXPECT_NEAR(r.top, 100 + (500 - (r.bottom - r.top)) / 2.0, 1.0);

    // A date that carries a time, a time that carries a date and seconds.
    Pick(dlg, IDC_ONCE_CTLDATE, At(2026, 12, 24, 8, 0));
    Pick(dlg, IDC_ONCE_CTLTIME, At(2030, 1, 2, 10, 15, 42));
    Click(dlg, IDOK);
  };
  velmora::ShowSendTimeDialog();
  EXPECT_EQ(opened, std::vector<int>{IDD_ONCE});
  EXPECT_TRUE(g_DialogOK);
  EXPECT_EQ(Props().m_ScheduleTime, At(2026, 12, 24, 10, 15, 0));
}

TEST_F(ViewTest, RecurrenceChosenThenCancelledOpensTheWeeklyPageAndAcceptsNothing) {
  Props().m_ScheduleTime = At(2024, 5, 15, 14, 37, 20);  // a Wednesday
  scripts[IDD_ONCE] = [](HWND dlg) { Click(dlg, IDC_ONCE_OPTRECURRENCE); };
  scripts[IDD_RECURRENCE] = [](HWND dlg) {
    EXPECT_EQ(Text(dlg, 0), "Velmora Recurrence");
    EXPECT_EQ(TabOrder(dlg), (std::vector<int>{IDC_REC_CTLSTARTTIME,
                                               IDC_REC_OPTDAILY,
                                               IDC_REC_OPTWEEKLY,
                                               IDC_REC_OPTMONTHLY,
                                               IDC_REC_OPTYEARLY,
                                               IDC_REC_OPTINTERVAL1,
                                               IDC_REC_TXTINTERVAL1,
                                               IDC_REC_OPTEVERYWEEKDAY1,
                                               IDC_REC_TXTINTERVAL2,
                                               IDC_REC_WEEKDAY1,
                                               IDC_REC_WEEKDAY2,
                                               IDC_REC_WEEKDAY3,
                                               IDC_REC_WEEKDAY4,
                                               IDC_REC_WEEKDAY5,
                                               IDC_REC_WEEKDAY6,
                                               IDC_REC_WEEKDAY7,
                                               IDC_REC_OPTDAYOFMONTH3,
                                               IDC_REC_TXTDAYOFMONTH3,
                                               IDC_REC_TXTINTERVAL3,
                                               IDC_REC_OPTTHEMONTHNTH3,
                                               IDC_REC_CBOINSTANCE3,
                                               IDC_REC_CBODAYOFWEEKMASK3,
                                               IDC_REC_TXTINTERVAL33,
                                               IDC_REC_OPTYEARLY4,
                                               IDC_REC_CBOMONTHOFYEAR4,
                                               IDC_REC_TXTDAYOFMONTH4,
                                               IDC_REC_OPTYEARNTH4,
                                               IDC_REC_CBOINSTANCE4,
                                               IDC_REC_CBODAYOFWEEKMASK4,
                                               IDC_REC_CBOMONTHOFYEAR44,
                                               IDC_REC_CTLSTARTDATE,
                                               IDC_REC_OPTNOENDDATE,
                                               IDC_REC_OPTENDAFTER,
                                               IDC_REC_TXTOCCURRENCES,
                                               IDC_REC_OPTENDBY,
                                               IDC_REC_CTLENDDATE,
                                               IDOK,
                                               IDC_REC_BTNATTACHMENTS,
                                               IDCANCEL,
                                               IDC_REC_BTNREMOVEREC}));
    EXPECT_TRUE(Checked(dlg, IDC_REC_OPTWEEKLY));
    EXPECT_TRUE(Visible(dlg, IDC_REC_TXTINTERVAL2));
    EXPECT_TRUE(Visible(dlg, IDC_REC_WEEKDAY7));
    for (int id : {IDC_REC_OPTINTERVAL1, IDC_REC_OPTDAYOFMONTH3, IDC_REC_CBOINSTANCE3,
                   IDC_REC_OPTYEARLY4, IDC_REC_CBOMONTHOFYEAR44})
      EXPECT_FALSE(Visible(dlg, id)) << id;
    for (int day = 1; day <= 7; ++day)
      EXPECT_EQ(Checked(dlg, IDC_REC_WEEKDAY1 + day - 1), day == 4) << day;
    EXPECT_EQ(Text(dlg, IDC_REC_TXTINTERVAL2), "1");
    EXPECT_TRUE(Checked(dlg, IDC_REC_OPTNOENDDATE));
    EXPECT_EQ(Text(dlg, IDC_REC_TXTOCCURRENCES), "10");
    EXPECT_EQ(Picker(dlg, IDC_REC_CTLSTARTDATE).DatePart(), At(2024, 5, 15));
    EXPECT_EQ(Picker(dlg, IDC_REC_CTLSTARTTIME).TimePart(), DateTime::FromTime(14, 37, 0));
    EXPECT_EQ(Picker(dlg, IDC_REC_CTLENDDATE).DatePart(), At(2024, 7, 17));  // the tenth
    EXPECT_FALSE(Enabled(dlg, IDC_REC_BTNREMOVEREC));
    Click(dlg, IDCANCEL);
  };
  velmora::ShowSendTimeDialog();
  EXPECT_EQ(opened, (std::vector<int>{IDD_ONCE, IDD_RECURRENCE}));
  EXPECT_FALSE(g_DialogOK);
  EXPECT_EQ(Props().m_ScheduleTime, At(2024, 5, 15, 14, 37, 0));
}

TEST_F(ViewTest, AttachmentsOpenModalOverTheSendTimeDialogAndAcceptNoSchedule) {
  Props().m_ScheduleTime = At(2026, 12, 7, 9, 30);
  pickers.files = {"C:\\Reports\\weekly.xlsx"};
  HWND once = nullptr;
  scripts[IDD_ONCE] = [&once](HWND dlg) {
    once = dlg;
    Click(dlg, IDC_ONCE_BTNATTACHMENTS);
    EXPECT_TRUE(::IsWindowEnabled(dlg));  // usable again once the list has closed
    Click(dlg, IDCANCEL);
  };
  scripts[IDD_ATTACHMENTS] = [&once](HWND dlg) {
    EXPECT_EQ(::GetWindow(dlg, GW_OWNER), once);
    EXPECT_FALSE(::IsWindowEnabled(once));
    Click(dlg, IDC_ATT_BTNADDFILE);
    Click(dlg, IDOK);
  };
  velmora::ShowSendTimeDialog();
  EXPECT_EQ(opened, (std::vector<int>{IDD_ONCE, IDD_ATTACHMENTS}));
  EXPECT_EQ(Props().m_collAttachments, std::vector<std::string>{"C:\\Reports\\weekly.xlsx"});
  EXPECT_FALSE(g_DialogOK);
}

TEST_F(ViewTest, AFieldThatFailsItsCheckKeepsTheFocusUntilCorrected) {
  Props().m_ScheduleTime = At(2024, 5, 15, 14, 37);
  scripts[IDD_RECURRENCE] = [this](HWND dlg) {
    Click(dlg, IDC_REC_OPTDAILY);
    EXPECT_TRUE(Visible(dlg, IDC_REC_TXTINTERVAL1));
    EXPECT_FALSE(Visible(dlg, IDC_REC_TXTINTERVAL2));
    Type(dlg, IDC_REC_TXTINTERVAL1, "0");
    Focus(dlg, IDC_REC_TXTOCCURRENCES);
    EXPECT_EQ(Messages(), std::vector<std::string>{"The number is not valid."});
    EXPECT_EQ(Focused(dlg), IDC_REC_TXTINTERVAL1);
    // Cancel is reachable whatever the field holds, and checks nothing.
    Focus(dlg, IDCANCEL);
    EXPECT_EQ(box.shown.size(), 1u);
    Type(dlg, IDC_REC_TXTINTERVAL1, "2");
    Click(dlg, IDOK);
  };
  velmora::ShowRecurrenceDialog();
  EXPECT_TRUE(g_DialogOK);
  EXPECT_TRUE(Props().m_IsRecurring);
  EXPECT_EQ(Props().m_RecurrenceType, 0);
  EXPECT_EQ(Props().m_Interval, 2);
}

TEST_F(ViewTest, DayThirtyOneAsksAndCancelReturnsToTheDayField) {
  Props().m_ScheduleTime = At(2024, 5, 15, 9, 0);
  scripts[IDD_RECURRENCE] = [this](HWND dlg) {
    Click(dlg, IDC_REC_OPTMONTHLY);
    Type(dlg, IDC_REC_TXTDAYOFMONTH3, "31");
    box.answers = {mb::kCancel};
    Click(dlg, IDOK);
    ASSERT_EQ(Messages(), std::vector<std::string>{
                              "Some months have fewer than 31 days. For thease months, the "
                              "occurrence will fall on the last day of the month."});
    EXPECT_TRUE(::IsWindowVisible(dlg));
    EXPECT_EQ(Focused(dlg), IDC_REC_TXTDAYOFMONTH3);
    Click(dlg, IDOK);  // answered OK this time
  };
  velmora::ShowRecurrenceDialog();
  EXPECT_EQ(box.shown.size(), 2u);
  EXPECT_TRUE(g_DialogOK);
  EXPECT_EQ(Props().m_RecurrenceType, 2);
  EXPECT_EQ(Props().m_DayOfMonth, 31);
}

TEST_F(ViewTest, PickingAnEndDateCountsTheOccurrencesUpToIt) {
  Props().m_ScheduleTime = At(2024, 5, 15, 9, 0);  // weekly on Wednesdays
  scripts[IDD_RECURRENCE] = [](HWND dlg) {
    Pick(dlg, IDC_REC_CTLENDDATE, At(2024, 6, 8));  // between the 4th and the 5th
    EXPECT_TRUE(Checked(dlg, IDC_REC_OPTENDBY));
    EXPECT_FALSE(Checked(dlg, IDC_REC_OPTNOENDDATE));
    EXPECT_EQ(Text(dlg, IDC_REC_TXTOCCURRENCES), "4");
    EXPECT_EQ(Picker(dlg, IDC_REC_CTLENDDATE).DatePart(), At(2024, 6, 8));
    Pick(dlg, IDC_REC_CTLENDDATE, At(2024, 1, 1));  // before the first
    EXPECT_EQ(Text(dlg, IDC_REC_TXTOCCURRENCES), "1");
    EXPECT_EQ(Picker(dlg, IDC_REC_CTLENDDATE).DatePart(), At(2024, 5, 15));
    Click(dlg, IDOK);
  };
  velmora::ShowRecurrenceDialog();
  EXPECT_TRUE(g_DialogOK);
  EXPECT_FALSE(Props().m_NoEndDate);
  EXPECT_EQ(Props().m_Occurrences, 1);
  EXPECT_EQ(Props().m_PatternEndDate, At(2024, 5, 15));
}

TEST_F(ViewTest, WeekStartingMondayMovesTheBoxesButEachKeepsItsDay) {
  const ScopedFirstDOW monday{2};
  Props().m_IsRecurring = true;
  Props().m_RecurrenceType = 1;
  Props().m_Interval = 1;
  Props().m_DayOfWeekMask = 2 | 32;  // Monday and Friday
  Props().m_PatternStartDate = At(2024, 5, 13);
  Props().m_StartTime = DateTime::FromTime(8, 0, 0);
  Props().m_PatternEndDate = At(2024, 5, 13);
  Props().m_NoEndDate = true;
  scripts[IDD_RECURRENCE] = [](HWND dlg) {
    EXPECT_TRUE(Enabled(dlg, IDC_REC_BTNREMOVEREC));
    EXPECT_TRUE(Checked(dlg, IDC_REC_WEEKDAY2));
    EXPECT_TRUE(Checked(dlg, IDC_REC_WEEKDAY6));
    // Monday first in the first row, Sunday last in the second.
    const RECT mon = Rect(dlg, IDC_REC_WEEKDAY2);
    const RECT sun = Rect(dlg, IDC_REC_WEEKDAY1);
    for (int id = IDC_REC_WEEKDAY1; id <= IDC_REC_WEEKDAY7; ++id) {
      EXPECT_GE(Rect(dlg, id).top, mon.top) << id;
      EXPECT_LE(Rect(dlg, id).top, sun.top) << id;
      if (Rect(dlg, id).top == mon.top) {
        EXPECT_GE(Rect(dlg, id).left, mon.left) << id;
      }
      if (Rect(dlg, id).top == sun.top) {
        EXPECT_LE(Rect(dlg, id).left, sun.left) << id;
      }
    }
    EXPECT_GT(sun.top, mon.top);
    EXPECT_EQ(Rect(dlg, IDC_REC_WEEKDAY5).top, mon.top);  // Thursday ends the first row
    EXPECT_GT(Rect(dlg, IDC_REC_WEEKDAY6).top, mon.top);  // Friday opens the second
    std::vector<int> days;
    for (int id : TabOrder(dlg))
      if (id >= IDC_REC_WEEKDAY1 && id <= IDC_REC_WEEKDAY7)
        days.push_back(id - IDC_REC_WEEKDAY1 + 1);
    EXPECT_EQ(days, (std::vector<int>{2, 3, 4, 5, 6, 7, 1}));
    Click(dlg, IDC_REC_WEEKDAY1);  // Sunday, now at the end
    EXPECT_TRUE(Checked(dlg, IDC_REC_WEEKDAY1));
    Click(dlg, IDOK);
  };
  velmora::ShowRecurrenceDialog();
  EXPECT_TRUE(g_DialogOK);
  EXPECT_EQ(Props().m_DayOfWeekMask, 1 | 2 | 32);
}

TEST_F(ViewTest, AttachmentsListEditsTheRecordAndTheIgnoreListOnlyOnOk) {
  Props().m_collAttachments = {"C:\\a\\one.txt", "C:/x/report.txt", "D:\\logs\\", "E:\\four.doc"};
  g_IgnoreList->FromString("thumbs.db");
  pickers.folders = {"C:\\Data"};
  pickers.files = {"Z:\\logs\\old.log"};
  scripts[IDD_ATTACHMENTS] = [](HWND dlg) {
    EXPECT_EQ(Text(dlg, 0), "Attachments");
    EXPECT_EQ(Text(dlg, IDC_ATT_CHKIGNORE), "Ignore System && Hidden Files");
    ASSERT_EQ(Rows(dlg), 4);
    EXPECT_EQ(RowText(dlg, 1, 0), "report.txt");
    EXPECT_EQ(RowText(dlg, 1, 1), "C:/x/report.txt");
    EXPECT_EQ(RowText(dlg, 2, 0), "<LastModificated>");
    EXPECT_FALSE(Enabled(dlg, IDC_ATT_BTNREMOVE));
    EXPECT_EQ(Text(dlg, IDC_ATT_TXTIGNORE), "thumbs.db");
    EXPECT_TRUE(Checked(dlg, IDC_ATT_CHKIGNORE));

    Click(dlg, IDC_ATT_BTNADDFOLDER);
    ASSERT_EQ(Rows(dlg), 5);
    EXPECT_EQ(RowText(dlg, 4, 0), "<LastModificated>");
    EXPECT_EQ(RowText(dlg, 4, 1), "C:\\Data\\");
    SelectRow(dlg, 1);
    SelectRow(dlg, 3);
    EXPECT_TRUE(Enabled(dlg, IDC_ATT_BTNREMOVE));
    Click(dlg, IDC_ATT_BTNREMOVE);
    ASSERT_EQ(Rows(dlg), 3);
    EXPECT_EQ(RowText(dlg, 0, 1), "C:\\a\\one.txt");
    EXPECT_EQ(RowText(dlg, 1, 1), "D:\\logs\\");
    EXPECT_EQ(RowText(dlg, 2, 1), "C:\\Data\\");
    EXPECT_FALSE(Enabled(dlg, IDC_ATT_BTNREMOVE));

    Click(dlg, IDC_ATT_BNTADDIGNORE);
    EXPECT_EQ(Text(dlg, IDC_ATT_TXTIGNORE), "thumbs.db, old.log");
    Click(dlg, IDC_ATT_CHKIGNORE);
    EXPECT_FALSE(Checked(dlg, IDC_ATT_CHKIGNORE));
    // Escape is not this dialog's Cancel.
    ::SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    Pump();
    EXPECT_TRUE(::IsWindowVisible(dlg));
    Click(dlg, IDOK);
  };
  velmora::ShowAttachmentsDialog();
  EXPECT_EQ(Props().m_collAttachments,
            (std::vector<std::string>{"C:\\a\\one.txt", "D:\\logs\\", "C:\\Data\\"}));
  EXPECT_EQ(g_IgnoreList->ToString(), "thumbs.db, old.log");
  EXPECT_FALSE(g_IgnoreList->IgnoreSysHiden());
  EXPECT_EQ(settings.values["IgnoreList"], "thumbs.db, old.log");
  EXPECT_FALSE(g_DialogOK);
}

TEST_F(ViewTest, AttachmentsCancelKeepsRecordAndIgnoreList) {
  Props().m_collAttachments = {"C:\\a\\one.txt"};
  g_IgnoreList->FromString("thumbs.db");
  pickers.files = {"C:\\b\\two.txt"};
  scripts[IDD_ATTACHMENTS] = [](HWND dlg) {
    Click(dlg, IDC_ATT_BTNADDFILE);
    EXPECT_EQ(Rows(dlg), 2);
    Type(dlg, IDC_ATT_TXTIGNORE, "desktop.ini");
    Click(dlg, IDC_ATT_BTNCANCEL);
  };
  velmora::ShowAttachmentsDialog();
  EXPECT_EQ(Props().m_collAttachments, std::vector<std::string>{"C:\\a\\one.txt"});
  EXPECT_EQ(g_IgnoreList->ToString(), "thumbs.db");
  EXPECT_TRUE(settings.values.empty());
}

int g_bugReports = 0;
bool g_aboutOpenAtReport = false;
void CountBugReport() {
  ++g_bugReports;
  g_aboutOpenAtReport = win32::DialogView::TopDialog() != nullptr;
}

TEST_F(ViewTest, HelpAndLinksGoThroughTheShellAndBugReportFollowsTheClosedBox) {
  Props().m_ScheduleTime = At(2026, 12, 7, 9, 30);
  scripts[IDD_ONCE] = [](HWND dlg) {
    Click(dlg, IDC_ONCE_BTNHELP);
    EXPECT_TRUE(::IsWindowVisible(dlg));
    Click(dlg, IDCANCEL);
  };
  velmora::ShowSendTimeDialog();
  EXPECT_FALSE(g_DialogOK);
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], HelpFilePath());
  EXPECT_TRUE(shell.opened[0].ends_with("\\Help.chm"));

  g_SendBugReport = &CountBugReport;
  scripts[IDD_ABOUT] = [](HWND dlg) {
    EXPECT_EQ(Text(dlg, 0), "About Velmora");
    EXPECT_EQ(Text(dlg, IDC_ABOUT_LBLTITLE), "Velmora (ver.1.0.0)");
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
  EXPECT_EQ(shell.opened, (std::vector<std::string>{HelpFilePath(), about_text::kHomePage,
                                                    std::string("mailto:") + about_text::kSupport,
                                                    HelpFilePath()}));
  EXPECT_EQ(g_bugReports, 1);
  EXPECT_FALSE(g_aboutOpenAtReport);
}

}  // namespace
}  // namespace velmora::test
