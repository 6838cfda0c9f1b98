// The send-time dialog, the hand-over between the scheduling dialogs and the
// attachments dialog, driven as a user drives them. (What the real windows
// show, and the about box, are the Windows view tests' part.)
#include <array>
#include <tuple>

#include "dialogs/dialog_fixture.h"

namespace velmora::test {
namespace {

using SendTimeDialog = DialogTest;
using Strings = std::vector<std::string>;

TEST_F(SendTimeDialog, OkTakesTheDayAndTheMinuteChosenAndCancelWritesNothing) {
  Props().m_ScheduleTime = At(2024, 5, 15, 10, 15, 42);
  // The date picker gives the day, the time picker the hours and minutes;
  // a time in the past is stored as chosen.
  forms.once = [](frmOnce& f) {
    f.SetDate(At(1990, 6, 1, 23, 59, 59));
    f.SetTime(At(1999, 1, 1, 7, 5, 30));
    f.ClickOk();
  };
  ShowSendTimeDialog();
  EXPECT_TRUE(g_DialogOK);
  EXPECT_EQ(Props().m_ScheduleTime, At(1990, 6, 1, 7, 5, 0));

  forms.once = [](frmOnce& f) {
    f.SetTime(At(2024, 5, 15, 11, 0));
    f.ClickCancel();
  };
  g_DialogOK = false;  // as the command sets it
  ShowSendTimeDialog();
  EXPECT_FALSE(g_DialogOK);
  EXPECT_EQ(Props().m_ScheduleTime, At(1990, 6, 1, 7, 5, 0));
}

TEST_F(SendTimeDialog, CentresOnTheOwnerAndStaysOnThePrimaryScreen) {
  const TwipSize big{28800, 16200};
  // The owner's left, top, width and height, the dialog's size, where it goes:
  // centred, then kept off the right edge, the bottom, and both when too big.
  const int rows[][8] = {{1500, 1500, 15000, 10000, 6000, 4000, 6000, 4500},
                         {24000, 0, 9000, 9000, 6000, 4000, 22800, 2500},
                         {0, 15000, 6000, 6000, 6000, 4000, 0, 12200},
                         {0, 0, 28800, 16200, 30000, 17000, 0, 0}};
  for (const auto& r : rows) {
    std::tie(g_OwnerLeft, g_OwnerTop, g_OwnerWidth, g_OwnerHeight) =
        std::tuple{r[0], r[1], r[2], r[3]};
    const TwipPoint p = CenterOnOwner({double(r[4]), double(r[5])}, big);
    EXPECT_EQ((std::array{p.left, p.top}), (std::array{double(r[6]), double(r[7])})) << r[0];
  }
  // A loaded form asks the screen port, and follows the top-most switch.
  screen.size = {20000, 12000};
  g_OwnerLeft = 18000;  // centred, it would run off the right edge
  g_OwnerWidth = 15000;
  g_TopMost = true;
  frmOnce f;
  f.Load(kWindow);
  EXPECT_DOUBLE_EQ(f.State().position.left, 14000);
  EXPECT_TRUE(f.State().topMost);
}

TEST_F(SendTimeDialog, TheOtherDialogsHandOverAndOnlyTheLastOneDecides) {
  // Recurrence chosen, then cancelled: the time picked a moment ago stays,
  // and the pattern's default comes from it.
  Props().m_ScheduleTime = At(2024, 5, 15, 10, 0);
  forms.once = [](frmOnce& f) {
    f.SetTime(At(2024, 5, 15, 11, 30, 12));
    f.ChooseRecurrence();
  };
  forms.recurrence = [](frmRecurrence& f) {
    EXPECT_EQ(f.State().ctlStartTime, DateTime::FromTime(11, 30, 0));
    f.Click(RecControl::btnCancel);
  };
  ShowSendTimeDialog();
  EXPECT_EQ(forms.shown, (Strings{"once", "recurrence"}));
  EXPECT_FALSE(g_DialogOK);
  EXPECT_EQ(Props().m_ScheduleTime, At(2024, 5, 15, 11, 30));

  // Removing the recurrence hands back to the send-time dialog.
  Props().m_IsRecurring = Props().m_NoEndDate = true;  // daily
  Props().m_PatternStartDate = At(2024, 5, 15);
  Props().m_ScheduleTime = At(2024, 5, 17, 9, 0);
  forms.shown.clear();
  forms.recurrence = [](frmRecurrence& f) { EXPECT_TRUE(f.Click(RecControl::btnRemoveRec)); };
  forms.once = [](frmOnce& f) { f.ClickOk(); };
  ShowRecurrenceDialog();
  EXPECT_EQ(forms.shown, (Strings{"recurrence", "once"}));
  EXPECT_TRUE(g_DialogOK);
  EXPECT_FALSE(Props().m_IsRecurring);
  EXPECT_EQ(Props().m_ScheduleTime, At(2024, 5, 17, 9, 0));
}

// ---------------------------------------------------------------- attachments

class AttachmentsDialog : public DialogTest {
 protected:
  AttachmentsDialog() {
    g_IgnoreList = std::make_unique<CIgnoreList>();
    g_IgnoreList->FromString("thumbs.db");
    g_IgnoreList->SetIgnoreSysHiden(true);
  }
  Strings Paths(const frmAttachments& f) const {
    Strings out;
    for (const AttachmentRow& r : f.State().rows)
      out.push_back(r.path);
    return out;
  }
};

TEST_F(AttachmentsDialog, PickedFoldersEndInABackslashAndPathsTheRecordCannotHoldAreRefused) {
  pickers.folders = {"C:\\Data", "E:\\logs/", "F:\\", "", "C:\\#tmp"};
  pickers.files = {"C:\\a.txt", "C:\\a.txt", "", "C:\\a;b.txt"};
  frmAttachments f;
  f.Load();
  for (int i = 0; i < 5; ++i)
    f.ClickAddFolder();
  for (int i = 0; i < 4; ++i)
    f.ClickAddFile();
  EXPECT_EQ(Paths(f), (Strings{"C:\\Data\\", "E:\\logs\\", "F:\\", "C:\\a.txt", "C:\\a.txt"}));
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_NE(box.shown[1].text.find("C:\\a;b.txt"), std::string::npos);
}

TEST_F(AttachmentsDialog, CancelKeepsEverythingAndOkStoresTheRowsAndTheIgnoreList) {
  Props().m_collAttachments = {"C:\\1", "C:\\2"};
  for (const bool ok : {false, true}) {
    SCOPED_TRACE(ok ? "OK" : "Cancel");
    pickers.folders = {"D:\\in"};
    frmAttachments f;
    f.Load();
    f.ClickAddFolder();
    f.SetSelected(0, true);
    f.ClickRemove();
    f.SetFocus(AttControl::txtIgnore);
    f.SetIgnoreText(" B.tmp,,a.tmp , b.TMP");
    f.SetFocus(AttControl::chkIgnore);  // leaving the text normalises it
    EXPECT_EQ(f.State().txtIgnore, "b.tmp, a.tmp");
    f.SetIgnoreCheck(false);
    ok ? f.ClickOk() : f.ClickCancel();
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(Props().m_collAttachments,
              (ok ? Strings{"C:\\2", "D:\\in\\"} : Strings{"C:\\1", "C:\\2"}));
    EXPECT_EQ(g_IgnoreList->ToString(), ok ? "b.tmp, a.tmp" : "thumbs.db");
    EXPECT_EQ(g_IgnoreList->IgnoreSysHiden(), !ok);
    EXPECT_EQ(settings.values[std::string(kSettingIgnoreList)], ok ? "b.tmp, a.tmp" : "");
  }
  EXPECT_FALSE(g_DialogOK);

  // Every row removed: a record without sources (its text form: the record's tests).
  frmAttachments f;
  f.Load();
  f.SetSelected(0, true);
  f.SetSelected(1, true);
  f.ClickRemove();
  f.ClickOk();
  EXPECT_TRUE(Props().m_collAttachments.empty());
}

}  // namespace
}  // namespace velmora::test
