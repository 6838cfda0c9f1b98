// The send-time dialog, the hand-over between the scheduling dialogs, the
// attachments dialog and the about box, driven as a user drives them.
#include "dialogs/dialog_fixture.h"

namespace velmora::test {
namespace {

using SendTimeDialog = DialogTest;

TEST_F(SendTimeDialog, AcceptedUnchangedDropsTheSecondsAndKeepsTheDay) {
  Props().m_ScheduleTime = At(2024, 5, 15, 10, 15, 42);
  forms.once = [](frmOnce& f) {
    EXPECT_EQ(f.State().ctlDate, At(2024, 5, 15, 10, 15, 42));
    EXPECT_EQ(f.State().ctlTime, At(2024, 5, 15, 10, 15, 42));
    // The user's time format without its seconds, in up-down style.
    EXPECT_TRUE(f.State().timeCustomFormat);
    EXPECT_EQ(f.State().timeFormat, "h:mm tt");
    f.ClickOk();
  };
  ShowSendTimeDialog();
  EXPECT_TRUE(g_DialogOK);
  EXPECT_EQ(Props().m_ScheduleTime, At(2024, 5, 15, 10, 15, 0));
  EXPECT_EQ(forms.shown, std::vector<std::string>{"once"});
}

TEST_F(SendTimeDialog, DatePickerGivesTheDayAndTimePickerTheHoursAndMinutes) {
  Props().m_ScheduleTime = At(2024, 5, 15, 10, 0);
  forms.once = [](frmOnce& f) {
    f.SetDate(At(2024, 6, 1, 23, 59, 59));
    f.SetTime(At(1999, 1, 1, 7, 5, 30));
    f.ClickOk();
  };
  ShowSendTimeDialog();
  EXPECT_EQ(Props().m_ScheduleTime, At(2024, 6, 1, 7, 5, 0));
}

TEST_F(SendTimeDialog, CancelWritesNothingAndATimeInThePastIsStoredAsChosen) {
  Props().m_ScheduleTime = At(2024, 5, 15, 10, 0);
  forms.once = [](frmOnce& f) {
    f.SetTime(At(2024, 5, 15, 11, 0));
    f.ClickCancel();
  };
  ShowSendTimeDialog();
  EXPECT_FALSE(g_DialogOK);
  EXPECT_EQ(Props().m_ScheduleTime, At(2024, 5, 15, 10, 0));

  forms.once = [](frmOnce& f) {
    f.SetDate(At(1990, 1, 1));
    f.ClickOk();
  };
  ShowSendTimeDialog();
  EXPECT_TRUE(g_DialogOK);
  EXPECT_EQ(Props().m_ScheduleTime, At(1990, 1, 1, 10, 0));
}

struct CentreCase {
  const char* name;
  double ownerLeft, ownerTop, ownerWidth, ownerHeight;
  TwipSize dialog;
  TwipSize screen;
  double left, top;
};

TEST_F(SendTimeDialog, CentresOnTheOwnerAndStaysOnThePrimaryScreen) {
  const TwipSize big{28800, 16200};
  const CentreCase cases[] = {
      {"centred", 1500, 1500, 15000, 10000, {6000, 4000}, big, 6000, 4500},
      {"owner at the right edge", 24000, 0, 9000, 9000, {6000, 4000}, big, 22800, 2500},
      {"owner below the bottom", 0, 15000, 6000, 6000, {6000, 4000}, big, 0, 12200},
      {"wider and taller than the screen", 0, 0, 28800, 16200, {30000, 17000}, big, 0, 0},
      {"owner smaller than the dialog", 3000, 3000, 2000, 1000, {6000, 4000}, big, 1000, 1500},
      {"small owner at the origin", 0, 0, 2000, 1000, {6000, 4000}, big, 0, 0},
  };
  for (const CentreCase& c : cases) {
    SCOPED_TRACE(c.name);
    g_OwnerLeft = static_cast<std::int32_t>(c.ownerLeft);
    g_OwnerTop = static_cast<std::int32_t>(c.ownerTop);
    g_OwnerWidth = static_cast<std::int32_t>(c.ownerWidth);
    g_OwnerHeight = static_cast<std::int32_t>(c.ownerHeight);
    const TwipPoint p = CenterOnOwner(c.dialog, c.screen);
    EXPECT_DOUBLE_EQ(p.left, c.left);
    EXPECT_DOUBLE_EQ(p.top, c.top);
  }
}

TEST_F(SendTimeDialog, LoadPlacesTheWindowOnThePortsScreenAndFollowsTopMost) {
  screen.size = {20000, 12000};
  g_OwnerLeft = 18000;
  g_TopMost = true;
  frmOnce f;
  f.Load(kWindow);
  EXPECT_DOUBLE_EQ(f.State().position.left, 14000);
  EXPECT_DOUBLE_EQ(f.State().position.top, 4500);
  EXPECT_TRUE(f.State().topMost);
}

TEST_F(SendTimeDialog, RecurrenceThenCancelLeavesTheFlagFalseWithTheTimeOverwritten) {
  Props().m_ScheduleTime = At(2024, 5, 15, 10, 0);
  forms.once = [](frmOnce& f) {
    f.SetTime(At(2024, 5, 15, 11, 30, 12));
    f.ChooseRecurrence();
  };
  forms.recurrence = [](frmRecurrence& f) {
    // The default pattern comes from the time chosen a moment ago.
    EXPECT_EQ(f.State().ctlStartTime, DateTime::FromTime(11, 30, 0));
    f.Click(RecControl::btnCancel);
  };
  ShowSendTimeDialog();
  EXPECT_EQ(forms.shown, (std::vector<std::string>{"once", "recurrence"}));
  EXPECT_FALSE(g_DialogOK);
  EXPECT_EQ(Props().m_ScheduleTime, At(2024, 5, 15, 11, 30));
}

TEST_F(SendTimeDialog, AttachmentsAcceptedThenCancelLeavesTheFlagFalse) {
  g_IgnoreList = std::make_unique<CIgnoreList>();
  Props().m_ScheduleTime = At(2024, 5, 15, 10, 0);
  pickers.files = {"C:\\data\\a.txt"};
  forms.once = [](frmOnce& f) {
    f.ClickAttachments();
    f.ClickCancel();
  };
  forms.attachments = [](frmAttachments& f) {
    f.ClickAddFile();
    f.ClickOk();
  };
  ShowSendTimeDialog();
  EXPECT_FALSE(g_DialogOK);
  EXPECT_EQ(Props().m_collAttachments, std::vector<std::string>{"C:\\data\\a.txt"});
}

TEST_F(SendTimeDialog, RemoveRecurrenceHandsBackToTheSendTimeDialog) {
  Props().m_IsRecurring = true;
  Props().m_RecurrenceType = recurrence::kDaily;
  Props().m_Interval = 2;
  Props().m_PatternStartDate = At(2024, 5, 15);
  Props().m_StartTime = DateTime::FromTime(9, 0, 0);
  Props().m_NoEndDate = true;
  Props().m_ScheduleTime = At(2024, 5, 17, 9, 0);
  forms.recurrence = [](frmRecurrence& f) {
    EXPECT_TRUE(f.State().btnRemoveRecEnabled);
    EXPECT_TRUE(f.Click(RecControl::btnRemoveRec));
  };
  forms.once = [](frmOnce& f) { f.ClickOk(); };
  ShowRecurrenceDialog();
  EXPECT_EQ(forms.shown, (std::vector<std::string>{"recurrence", "once"}));
  EXPECT_TRUE(g_DialogOK);
  EXPECT_FALSE(Props().m_IsRecurring);
  EXPECT_EQ(Props().m_ScheduleTime, At(2024, 5, 17, 9, 0));
}

TEST_F(SendTimeDialog, HelpOpensTheFileBesideTheLibrary) {
  frmOnce f;
  f.Load(kWindow);
  f.ClickHelp();
  const std::u8string folder = GetServices().logFolder.u8string();
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], std::string(folder.begin(), folder.end()) + "\\Help.chm");
}

// ---------------------------------------------------------------- attachments

class AttachmentsDialog : public DialogTest {
 protected:
  AttachmentsDialog() {
    g_IgnoreList = std::make_unique<CIgnoreList>();
    g_IgnoreList->FromString("thumbs.db");
    g_IgnoreList->SetIgnoreSysHiden(true);
  }
  std::vector<std::string> Column(const frmAttachments& f, bool names) const {
    std::vector<std::string> out;
    for (const AttachmentRow& r : f.State().rows)
      out.push_back(names ? r.name : r.path);
    return out;
  }
};

TEST_F(AttachmentsDialog, DisplayNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Data\\report.txt", "report.txt"}, {"C:/x/report.txt", "report.txt"},
      {"C:\\Data\\", "<LastModificated>"},    {"C:\\Data/", "<LastModificated>"},
      {"report.txt", "report.txt"},           {"", ""},
  };
  for (const auto& [path, name] : cases)
    EXPECT_EQ(DisplayName(path), name) << path;
}

TEST_F(AttachmentsDialog, LoadShowsEachSourceWithItsNameAndTheIgnoreSettings) {
  Props().m_collAttachments = {"C:/x/report.txt", "D:\\Data\\", "C:\\a.log"};
  g_IgnoreList->SetIgnoreSysHiden(false);
  frmAttachments f;
  f.Load();
  EXPECT_EQ(Column(f, true),
            (std::vector<std::string>{"report.txt", "<LastModificated>", "a.log"}));
  EXPECT_EQ(Column(f, false), Props().m_collAttachments);
  EXPECT_FALSE(f.State().btnRemoveEnabled);
  EXPECT_EQ(f.State().txtIgnore, "thumbs.db");
  EXPECT_EQ(f.State().ignoreCaret, f.State().txtIgnore.size());
  EXPECT_FALSE(f.State().chkIgnore);

  frmAttachments empty;
  Props().m_collAttachments.clear();
  empty.Load();
  EXPECT_TRUE(empty.State().rows.empty());
  EXPECT_FALSE(empty.State().btnRemoveEnabled);
}

TEST_F(AttachmentsDialog, FoldersEndInABackslashAndCancelledPickersAddNothing) {
  pickers.folders = {"C:\\Data", "E:\\logs/", "F:\\", ""};
  pickers.files = {"C:\\a.txt", "C:\\a.txt", ""};
  frmAttachments f;
  f.Load();
  for (int i = 0; i < 4; ++i)
    f.ClickAddFolder();
  for (int i = 0; i < 3; ++i)
    f.ClickAddFile();
  EXPECT_EQ(Column(f, false), (std::vector<std::string>{"C:\\Data\\", "E:\\logs\\", "F:\\",
                                                        "C:\\a.txt", "C:\\a.txt"}));
  EXPECT_EQ(Column(f, true), (std::vector<std::string>{"<LastModificated>", "<LastModificated>",
                                                       "<LastModificated>", "a.txt", "a.txt"}));
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(AttachmentsDialog, APathTheRecordCannotHoldIsRefusedWithAMessage) {
  pickers.files = {"C:\\a;b.txt"};
  pickers.folders = {"C:\\#tmp"};
  frmAttachments f;
  f.Load();
  f.ClickAddFile();
  f.ClickAddFolder();
  EXPECT_TRUE(f.State().rows.empty());
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_NE(box.shown[0].text.find("C:\\a;b.txt"), std::string::npos);
}

TEST_F(AttachmentsDialog, RemoveTakesTheSelectedRowsAndKeepsTheOrder) {
  Props().m_collAttachments = {"C:\\1", "C:\\2", "C:\\3", "C:\\4", "C:\\5"};
  frmAttachments f;
  f.Load();
  f.SetSelected(1, true);
  EXPECT_TRUE(f.State().btnRemoveEnabled);
  f.SetSelected(3, true);
  f.SetSelected(1, false);
  f.SetSelected(1, true);
  f.SetSelected(99, true);  // no such row
  f.ClickRemove();
  EXPECT_EQ(Column(f, false), (std::vector<std::string>{"C:\\1", "C:\\3", "C:\\5"}));
  EXPECT_FALSE(f.State().btnRemoveEnabled);
  f.SetSelected(0, true);
  f.SetSelected(0, false);
  EXPECT_FALSE(f.State().btnRemoveEnabled);
  // Neighbouring rows go together.
  f.SetSelected(1, true);
  f.SetSelected(2, true);
  f.ClickRemove();
  EXPECT_EQ(Column(f, false), std::vector<std::string>{"C:\\1"});
}

TEST_F(AttachmentsDialog, TheIgnoreTextTakesAPickedNameAndIsNormalisedOnLeaving) {
  g_IgnoreList->FromString("");
  pickers.files = {"Z:\\logs\\old.log", "C:/tmp/Desktop.INI"};
  frmAttachments f;
  f.Load();
  f.ClickAddIgnore();
  EXPECT_EQ(f.State().txtIgnore, "old.log");
  f.ClickAddIgnore();
  EXPECT_EQ(f.State().txtIgnore, "old.log, Desktop.INI");
  EXPECT_EQ(f.State().ignoreCaret, f.State().txtIgnore.size());
  EXPECT_TRUE(g_IgnoreList->Names().empty());

  f.SetFocus(AttControl::txtIgnore);
  f.SetIgnoreText(" A.TXT,,b.txt , a.txt");
  EXPECT_EQ(f.State().txtIgnore, " A.TXT,,b.txt , a.txt");
  f.SetFocus(AttControl::chkIgnore);
  EXPECT_EQ(f.State().txtIgnore, "a.txt, b.txt");
  EXPECT_EQ(f.State().ignoreCaret, f.State().txtIgnore.size());
}

TEST_F(AttachmentsDialog, CancelChangesNeitherTheRecordNorTheIgnoreList) {
  Props().m_collAttachments = {"C:\\keep.txt"};
  pickers.files = {"C:\\new.txt"};
  frmAttachments f;
  f.Load();
  f.ClickAddFile();
  f.SetFocus(AttControl::txtIgnore);
  f.SetIgnoreText("other.txt");
  f.SetIgnoreCheck(false);
  f.ClickCancel();
  EXPECT_TRUE(f.Closed());
  EXPECT_EQ(Props().m_collAttachments, std::vector<std::string>{"C:\\keep.txt"});
  EXPECT_EQ(g_IgnoreList->ToString(), "thumbs.db");
  EXPECT_TRUE(g_IgnoreList->IgnoreSysHiden());
  EXPECT_TRUE(settings.values.empty());
}

TEST_F(AttachmentsDialog, OkStoresTheRowsInOrderAndSavesTheIgnoreList) {
  Props().m_collAttachments = {"C:\\1", "C:\\2"};
  pickers.folders = {"D:\\in"};
  frmAttachments f;
  f.Load();
  f.ClickAddFolder();
  f.SetSelected(0, true);
  f.ClickRemove();
  f.SetFocus(AttControl::txtIgnore);
  f.SetIgnoreText("B.tmp, a.tmp");
  f.SetIgnoreCheck(false);
  f.ClickOk();
  EXPECT_TRUE(f.Closed());
  EXPECT_EQ(Props().m_collAttachments, (std::vector<std::string>{"C:\\2", "D:\\in\\"}));
  EXPECT_EQ(g_IgnoreList->ToString(), "b.tmp, a.tmp");
  EXPECT_FALSE(g_IgnoreList->IgnoreSysHiden());
  EXPECT_EQ(settings.values[std::string(kSettingIgnoreList)], "b.tmp, a.tmp");
  EXPECT_FALSE(g_DialogOK);
}

TEST_F(AttachmentsDialog, OkWithEveryRowRemovedStoresAnEmptyList) {
  Props().m_collAttachments = {"C:\\1"};
  frmAttachments f;
  f.Load();
  f.SetSelected(0, true);
  f.ClickRemove();
  f.ClickOk();
  EXPECT_TRUE(Props().m_collAttachments.empty());
  // Written back as a record without sources, not as a broken one.
  CMailProps back;
  back.ReadFromString(Props().WriteToString());
  EXPECT_TRUE(back.m_collAttachments.empty());
}

// ---------------------------------------------------------------- about box

using AboutBox = DialogTest;

int g_bugReports = 0;
bool g_aboutClosedAtReport = false;
frmAbout* g_about = nullptr;

TEST_F(AboutBox, AboutBoxShowsTheVersionAndOpensItsLinks) {
  frmAbout f;
  f.Load();
  EXPECT_EQ(f.State().caption, "About Velmora");
  EXPECT_EQ(f.State().lblTitle, "Velmora (ver." + GetAppVersion() + ")");
  EXPECT_NE(GetAppVersion(), "");
  f.ClickURL();
  f.DblClickURL();
  f.ClickSupport();
  f.ClickHelp();
  ASSERT_EQ(shell.opened.size(), 4u);
  EXPECT_EQ(shell.opened[0], f.State().LabelURL);
  EXPECT_EQ(shell.opened[1], f.State().LabelURL);
  EXPECT_EQ(shell.opened[2], "mailto:" + f.State().lblSupport);
  EXPECT_EQ(shell.opened[3], HelpFilePath());
  EXPECT_FALSE(f.Closed());
  f.ClickOk();
  EXPECT_TRUE(f.Closed());
}

TEST_F(AboutBox, BugReportRunsOnceTheAboutBoxHasClosed) {
  g_bugReports = 0;
  const BugReportSender saved = g_SendBugReport;
  g_SendBugReport = [] {
    ++g_bugReports;
    g_aboutClosedAtReport = g_about && g_about->Closed();
  };
  forms.about = [](frmAbout& f) {
    g_about = &f;
    f.ClickBugReport();
  };
  ShowAboutBox();
  forms.about = [](frmAbout& f) { f.ClickOk(); };
  ShowAboutBox();
  g_SendBugReport = nullptr;
  forms.about = [](frmAbout& f) { f.ClickBugReport(); };
  ShowAboutBox();  // built without a bug report: the box only closes
  g_SendBugReport = saved;
  g_about = nullptr;
  EXPECT_EQ(g_bugReports, 1);
  EXPECT_TRUE(g_aboutClosedAtReport);
}

}  // namespace
}  // namespace velmora::test
