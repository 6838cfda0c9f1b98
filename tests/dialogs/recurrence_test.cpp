// The recurrence dialog as a user meets it: the default pattern, loading
// stored patterns, the field checks and their messages, OK's checks, and the
// count and end date kept in step with the pattern.
#include <tuple>

#include "dialogs/dialog_fixture.h"
#include "support/captured_log.h"

namespace velmora::test {
namespace {

using C = RecControl;
namespace t = recurrence_text;

class RecurrenceDialog : public DialogTest {
 protected:
  // A one-off mail on Wednesday 2024-05-15 14:37:20, as the send-time dialog
  // hands it over.
  RecurrenceDialog() { Props().m_ScheduleTime = At(2024, 5, 15, 14, 37, 20); }
  void Open() { f.Load(kWindow); }
  void Type(C field, const char* text) {
    ASSERT_TRUE(f.SetFocus(field));
    f.SetText(field, text);
  }
  const RecurrenceState& S() const { return f.State(); }
  frmRecurrence f;
};

TEST_F(RecurrenceDialog, ANewRecurrenceAcceptedAsShownIsWeeklyOnTheDayWithoutEnd) {
  Open();
  EXPECT_TRUE(f.Click(C::btnOK));
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(g_DialogOK);
  EXPECT_EQ(Props().WriteToString(), "1;1;0;0;0;8;1;0;1;#10;2:37:00 PM#9;5/15/2024#9;7/17/2024");
  EXPECT_EQ(Props().m_ScheduleTime, At(2024, 5, 15, 14, 37, 20));  // the command sets it
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(RecurrenceDialog, NumberTexts) {
  for (const char* ok : {"7", "07", " 7", "999"})
    EXPECT_TRUE(frmRecurrence::IsNumberValid(ok, true)) << ok;
  for (const char* bad : {"", " ", "0", "00", "-3", "+3", "1.5", "3x", "x", "99999999999"})
    EXPECT_FALSE(frmRecurrence::IsNumberValid(bad, false)) << bad;
  EXPECT_FALSE(frmRecurrence::IsNumberValid("0", true));
  EXPECT_EQ(Messages(), std::vector<std::string>{t::kNumberNotValid});
  EXPECT_EQ(box.shown[0].style, mb::kOkOnly | mb::kSetForeground);
  g_TopMost = true;
  EXPECT_FALSE(frmRecurrence::IsNumberValid("x", true));
  EXPECT_EQ(box.shown[1].style, mb::kOkOnly | mb::kTopMost);
}

TEST_F(RecurrenceDialog, AFieldThatFailsItsCheckKeepsTheFocus) {
  const std::tuple<C, C, const char*, const char*> cases[] = {
      {C::optWeekly, C::txtInterval2, "0", t::kNumberNotValid},
      {C::optMonthly, C::txtDayOfMonth3, "32", t::kPatternNotValid},
      {C::optYearly, C::txtDayOfMonth4, "00", t::kNumberNotValid},
      {C::optWeekly, C::txtOccurrences, "0", t::kNumberNotValid},
  };
  for (const auto& [page, field, text, message] : cases) {
    SCOPED_TRACE(text);
    frmRecurrence form;
    form.Load(kWindow);
    ASSERT_TRUE(form.Click(page));
    ASSERT_TRUE(form.SetFocus(field));
    form.SetText(field, text);
    box.shown.clear();
    EXPECT_FALSE(form.Click(C::btnOK));
    EXPECT_FALSE(form.SetFocus(C::ctlStartDate));
    EXPECT_EQ(form.State().focus, field);
    EXPECT_EQ(Messages(), (std::vector<std::string>{message, message}));
    EXPECT_FALSE(form.Closed());
    EXPECT_FALSE(g_DialogOK);
  }
}

TEST_F(RecurrenceDialog, February29IsCheckedInTheStartsYear) {
  for (const int year : {2023, 2024}) {
    frmRecurrence form;
    form.Load(kWindow);
    ASSERT_TRUE(form.SetFocus(C::ctlStartDate));
    form.SetDate(C::ctlStartDate, At(year, 1, 10));
    ASSERT_TRUE(form.Click(C::optYearly));
    ASSERT_TRUE(form.SetFocus(C::cboMonthOfYear4));
    form.SetListIndex(C::cboMonthOfYear4, 1);
    ASSERT_TRUE(form.SetFocus(C::txtDayOfMonth4));
    form.SetText(C::txtDayOfMonth4, "29");
    EXPECT_TRUE(form.Click(C::btnOK));
    EXPECT_EQ(form.Closed(), year == 2024) << year;
  }
  EXPECT_EQ(Messages(), std::vector<std::string>{t::kPatternNotValid}) << "2023 only";
  EXPECT_EQ(Props().m_RecurrenceType, recurrence::kYearly);
  EXPECT_EQ(Props().m_MonthOfYear * 100 + Props().m_DayOfMonth, 229);
}

TEST_F(RecurrenceDialog, WeeklyWithoutADayAndNoPatternAreRefused) {
  Open();
  ASSERT_TRUE(f.Click(WeekDayBox(4)));  // the Wednesday box, cleared
  EXPECT_TRUE(f.Click(C::btnOK));
  EXPECT_EQ(Messages(), std::vector<std::string>{t::kPatternNotValid});
  EXPECT_FALSE(f.Closed());
  EXPECT_FALSE(g_DialogOK);
  EXPECT_FALSE(Props().m_IsRecurring);

  // A stored type the dialog cannot show opens with no pattern: OK fails.
  CapturedLog log;
  Props().m_IsRecurring = true;
  Props().m_RecurrenceType = 4;
  frmRecurrence unknown;
  unknown.Load(kWindow);
  EXPECT_EQ(unknown.State().pattern, C::None);
  box.shown.clear();
  EXPECT_TRUE(unknown.Click(C::btnOK));
  EXPECT_EQ(Messages(), std::vector<std::string>{t::kPatternNotValid});
  EXPECT_FALSE(unknown.Closed());
}

// Cancel at the question keeps the user in the field; OK stores the day.
TEST_F(RecurrenceDialog, Day31AsksAndCancelReturnsToTheDayField) {
  Open();
  ASSERT_TRUE(f.Click(C::optMonthly));
  Type(C::txtDayOfMonth3, "31");
  box.answers = {mb::kCancel, mb::kOk};
  EXPECT_TRUE(f.Click(C::btnOK));
  EXPECT_EQ(Messages(),
            std::vector<std::string>{
                "Some months have fewer than 31 days. For thease months, the occurrence "
                "will fall on the last day of the month."});
  EXPECT_EQ(box.shown[0].style & 0xF, mb::kOkCancel);
  EXPECT_EQ(S().focus, C::txtDayOfMonth3);
  EXPECT_FALSE(f.Closed());

  EXPECT_TRUE(f.Click(C::btnOK));
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(g_DialogOK);
  EXPECT_EQ(Props().m_RecurrenceType, recurrence::kMonthly);
  EXPECT_EQ(Props().m_DayOfMonth, 31);
}

// (The count and the moved end for every kind of end date: the occurrences
// end-to-end run, on the same preview.)
TEST_F(RecurrenceDialog, AnEndDateGivesTheCountAndAfterTheLastOccurrenceIsMoved) {
  Open();
  ASSERT_TRUE(f.SetFocus(C::ctlEndDate));
  f.SetDate(C::ctlEndDate, At(2070, 1, 1));
  EXPECT_EQ(S().range, C::optEndBy);
  EXPECT_EQ(S().txtOccurrences, "999");
  EXPECT_EQ(S().ctlEndDate, At(2024, 5, 15).AddDays(998 * 7));
  // The view's echo of the moved date is no change.
  f.SetDate(C::ctlEndDate, S().ctlEndDate);
  EXPECT_EQ(S().txtOccurrences, "999");
}

TEST_F(RecurrenceDialog, NoEndDateAfterEndAfter25ShowsTenAgain) {
  Open();
  Type(C::txtInterval2, "123");  // boxes take no more than their length
  EXPECT_EQ(S().txtInterval2, "12");
  Type(C::txtInterval2, "1");
  ASSERT_TRUE(f.Click(C::optEndAfter));
  Type(C::txtOccurrences, "2567");
  EXPECT_EQ(S().txtOccurrences, "256");
  Type(C::txtOccurrences, "25");
  EXPECT_EQ(S().ctlEndDate, At(2024, 7, 17));
  ASSERT_TRUE(f.SetFocus(C::ctlStartTime));  // leaving the count updates the end
  EXPECT_EQ(S().ctlEndDate, At(2024, 10, 30));
  ASSERT_TRUE(f.Click(C::optNoEndDate));
  EXPECT_EQ(S().txtOccurrences, "10");
  EXPECT_EQ(S().ctlEndDate, At(2024, 7, 17));
  ASSERT_TRUE(f.Click(C::btnOK));
  EXPECT_TRUE(Props().m_NoEndDate);
  EXPECT_EQ(Props().m_Occurrences, 0);
}

TEST_F(RecurrenceDialog, TheRangeEndFollowsPatternChoicesButNotDetailEdits) {
  Open();
  ASSERT_TRUE(f.Click(C::optDaily));
  EXPECT_EQ(S().ctlEndDate, At(2024, 5, 24));  // ten days
  Type(C::txtInterval1, "2");
  ASSERT_TRUE(f.SetFocus(C::ctlStartTime));
  EXPECT_EQ(S().ctlEndDate, At(2024, 5, 24));

  // A start on the 29th of a 31-day month is its last Wednesday.
  ASSERT_TRUE(f.SetFocus(C::ctlStartDate));
  f.SetDate(C::ctlStartDate, At(2024, 5, 29));
  EXPECT_EQ(S().ctlEndDate, At(2024, 5, 24));
  ASSERT_TRUE(f.Click(C::optMonthly));
  EXPECT_EQ(S().txtDayOfMonth3, "29");
  EXPECT_EQ(S().cboInstance3, 4);
  EXPECT_EQ(S().ctlEndDate, At(2025, 2, 28));  // ten months, February cut short

  // Values set while another control has the focus select nothing.
  f.SetText(C::txtInterval33, "2");
  f.SetText(C::txtOccurrences, "25");
  f.SetDate(C::ctlEndDate, At(2030, 1, 1));
  EXPECT_EQ(S().monthlyRow, C::optDayOfMonth3);
  EXPECT_EQ(S().range, C::optNoEndDate);
  // Typed into, a detail selects its row without touching the range.
  Type(C::txtInterval33, "3");
  EXPECT_EQ(S().monthlyRow, C::optTheMonthNth3);
  EXPECT_EQ(S().ctlEndDate, At(2030, 1, 1));
  ASSERT_TRUE(f.SetFocus(C::ctlEndDate));
  f.SetDate(C::ctlEndDate, At(2030, 1, 1));  // equal: no change
  EXPECT_EQ(S().range, C::optNoEndDate);
}

TEST_F(RecurrenceDialog, StoredPatternsComeBackUnchangedThroughOk) {
  // Every type (daily both ways), seven left, as the text form stores them.
  for (const char* head : {"1;0;0;0;0;0;3", "1;0;0;0;0;62;0", "1;1;0;0;0;34;2", "1;2;15;0;0;0;2",
                           "1;3;0;0;2;8;3", "1;5;10;3;0;0;0", "1;6;0;11;5;62;0"}) {
    SCOPED_TRACE(head);
    const std::string text = std::string(head) + ";7;0;#10;8:30:00 AM#9;5/15/2024#8;9/1/2024";
    Props().ReadFromString(text);
    frmRecurrence form;
    form.Load(kWindow);
    EXPECT_EQ(form.State().range, C::optEndAfter);
    EXPECT_EQ(form.State().txtOccurrences, "7");
    ASSERT_TRUE(form.Click(C::btnOK));
    ASSERT_TRUE(form.Closed());
    EXPECT_EQ(Props().WriteToString(), text);
  }
}

TEST_F(RecurrenceDialog, AStoredPatternOutsideTheListsIsStoredAsOneThatExists) {
  // Numbers outside the lists keep the start's choices.
  CapturedLog log;
  CMailProps& p = Props();
  p.m_IsRecurring = p.m_NoEndDate = true;
  p.m_RecurrenceType = recurrence::kYearNth;
  p.m_DayOfWeekMask = 62;
  p.m_Instance = 0;
  p.m_MonthOfYear = 13;
  p.m_PatternStartDate = At(2024, 5, 15);
  Open();
  EXPECT_EQ(S().cboInstance4, 2);  // 15 May: the third Wednesday
  EXPECT_EQ(S().cboMonthOfYear44, 4);
  ASSERT_TRUE(f.Click(C::btnOK));
  EXPECT_EQ(p.m_Instance, 3);
  EXPECT_EQ(p.m_MonthOfYear, 5);
  EXPECT_EQ(p.m_DayOfWeekMask, 62);
}

}  // namespace
}  // namespace velmora::test
