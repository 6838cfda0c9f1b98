// The recurrence dialog (frmRecurrence) as a form model: its pages, the
// checks of what the user types, and the upkeep of the range's end (the
// count and the end date kept consistent with the pattern on screen).
//
// The view forwards the user's actions and paints State(). Values the model
// sets itself start no user-facing reaction; a value equal to the one shown
// is no change, so the view may forward the echoes of its own painting.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "addin/dialogs/dialog_services.h"
#include "common/datetime.h"

namespace velmora {

class CMailProps;

namespace recurrence_text {
inline constexpr const char* kCaption = "Velmora Recurrence";
inline constexpr const char* kTimeFrame = "Velmora time";
inline constexpr const char* kLabel10 = "S&tart:";
inline constexpr const char* kPatternFrame = "Recurrence pattern";
inline constexpr const char* kOptDaily = "Daily";
inline constexpr const char* kOptWeekly = "Weekly";
inline constexpr const char* kOptMonthly = "Monthly";
inline constexpr const char* kOptYearly = "Yearly";
inline constexpr const char* kRangeFrame = "Range of recurrence";
inline constexpr const char* kLabel8 = "&Start:";
inline constexpr const char* kOptNoEndDate = "N&o end date";
inline constexpr const char* kOptEndAfter = "End a&fter:";
inline constexpr const char* kLabel9 = "occurrences";
inline constexpr const char* kOptEndBy = "End &by:";
inline constexpr const char* kBtnOK = "Velmora";
inline constexpr const char* kBtnAttachments = "Attachments";
inline constexpr const char* kBtnCancel = "Cancel";
inline constexpr const char* kBtnRemoveRec = "Remove Recurrence";
// Daily page.
inline constexpr const char* kOptInterval1 = "E&very";
inline constexpr const char* kLabel3 = "day(s)";
inline constexpr const char* kOptEveryWeekday1 = "Every wee&kday";
// Weekly page.
inline constexpr const char* kLabel1 = "Recur every";
inline constexpr const char* kLabel2 = "week(s) on:";
inline constexpr std::array<const char*, 7> kWeekDays = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
// Monthly page.
inline constexpr const char* kOptDayOfMonth3 = "D&ay";
inline constexpr const char* kLabel4 = "of every";
inline constexpr const char* kLabel5 = "month(s)";
inline constexpr const char* kOptTheMonthNth3 = "Th&e";
inline constexpr const char* kLabel7 = "of every";
inline constexpr const char* kLabel6 = "month(s)";
// Yearly page.
inline constexpr const char* kOptYearly4 = "E&very";
inline constexpr const char* kOptYearNth4 = "Th&e";
inline constexpr const char* kLabel11 = "of";
// The lists.
inline constexpr std::array<const char*, 5> kInstances = {"first", "second", "third", "fourth",
                                                          "last"};
inline constexpr std::array<const char*, 10> kDayKinds = {
    "day",     "weekday",   "weekend day", "sunday", "monday",
    "tuesday", "wednesday", "thursday",    "friday", "saturday"};
// Item data of kDayKinds: the day-of-week mask stored for the item.
inline constexpr std::array<std::int32_t, 10> kDayKindMasks = {127, 62, 65, 1, 2, 4, 8, 16, 32, 64};
inline constexpr std::array<const char*, 12> kMonths = {
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december"};
// Messages.
inline constexpr const char* kNumberNotValid = "The number is not valid.";
inline constexpr const char* kPatternNotValid = "Recurrence pattern is not valid";
inline constexpr const char* kInitFailed = "Init Failed!";
inline constexpr const char* kNoEndOption = "Error - No one End Option selected";
// "Some months have fewer than " + day + kShortMonths2.
inline constexpr const char* kShortMonths1 = "Some months have fewer than ";
inline constexpr const char* kShortMonths2 =
    " days. For thease months, the occurrence will fall on the last day of the month.";
}  // namespace recurrence_text

// Every control that takes the focus or a value, in tab order.
enum class RecControl {
  None,
  ctlStartTime,
  optDaily,
  optWeekly,
  optMonthly,
  optYearly,
  // Daily page.
  optInterval1,
  txtInterval1,
  optEveryWeekday1,
  // Weekly page; the boxes stand for Sunday (1) to Saturday (7).
  txtInterval2,
  arWeekDays1,
  arWeekDays2,
  arWeekDays3,
  arWeekDays4,
  arWeekDays5,
  arWeekDays6,
  arWeekDays7,
  // Monthly page.
  optDayOfMonth3,
  txtDayOfMonth3,
  txtInterval3,
  optTheMonthNth3,
  cboInstance3,
  cboDayOfWeekMask3,
  txtInterval33,
  // Yearly page.
  optYearly4,
  cboMonthOfYear4,
  txtDayOfMonth4,
  optYearNth4,
  cboInstance4,
  cboDayOfWeekMask4,
  cboMonthOfYear44,
  // Range.
  ctlStartDate,
  optNoEndDate,
  optEndAfter,
  txtOccurrences,
  optEndBy,
  ctlEndDate,
  // Buttons.
  btnOK,
  btnAttachments,
  btnCancel,
  btnRemoveRec,
};

// The weekday box for weekday 1 (Sunday) to 7 (Saturday).
constexpr RecControl WeekDayBox(int weekday) {
  return static_cast<RecControl>(static_cast<int>(RecControl::arWeekDays1) + weekday - 1);
}

// The most characters a text box takes.
std::size_t MaxLength(RecControl textBox);

enum class RecurrenceOutcome {
  Open,
  Accepted,          // OK passed its checks: the record holds the pattern
  Cancelled,         // Cancel or the close box
  RemoveRecurrence,  // the send-time dialog follows
};

struct RecurrenceState {
  DateTime ctlStartTime;
  bool timeCustomFormat = false;  // ctlStartTime: custom format, up-down style
  std::string timeFormat;

  // The selected option of each group, or None: optDaily...optYearly;
  // optInterval1/optEveryWeekday1; optDayOfMonth3/optTheMonthNth3;
  // optYearly4/optYearNth4; optNoEndDate/optEndAfter/optEndBy.
  RecControl pattern = RecControl::None;
  RecControl dailyRow = RecControl::None;
  RecControl monthlyRow = RecControl::None;
  RecControl yearlyRow = RecControl::None;
  RecControl range = RecControl::None;
  int visiblePage = 0;  // 0 none, 1 daily, 2 weekly, 3 monthly, 4 yearly

  std::string txtInterval1 = "1";
  std::string txtInterval2 = "1";
  std::string txtDayOfMonth3 = "1";
  std::string txtInterval3 = "1";
  std::string txtInterval33 = "1";
  std::string txtDayOfMonth4 = "1";
  std::string txtOccurrences = "10";
  // List positions, -1 for no choice.
  int cboInstance3 = -1;
  int cboDayOfWeekMask3 = -1;
  int cboMonthOfYear4 = -1;
  int cboInstance4 = -1;
  int cboDayOfWeekMask4 = -1;
  int cboMonthOfYear44 = -1;
  // Index 0 is box 1 (Sunday).
  std::array<bool, 7> arWeekDays = {};
  // The weekday (1 to 7) whose box stands in slot 1 to 7 (index 0 to 6);
  // slots 1 to 4 are the first row, 5 to 7 the second, also in tab order.
  std::array<int, 7> weekDaySlots = {1, 2, 3, 4, 5, 6, 7};

  DateTime ctlStartDate;
  DateTime ctlEndDate;
  bool btnRemoveRecEnabled = false;

  TwipPoint position;
  bool topMost = false;
  RecControl focus = RecControl::None;
  RecurrenceOutcome outcome = RecurrenceOutcome::Open;
};

class frmRecurrence {
 public:
  // Fills the controls from g_EditProps (a default weekly pattern from its
  // schedule time when it has no recurrence), centres a window of the given
  // size on the owner, and makes it topmost when g_TopMost is set.
  void Load(TwipSize windowSize);
  const RecurrenceState& State() const { return state_; }
  bool Closed() const { return state_.outcome != RecurrenceOutcome::Open; }

  // The user's actions. The focus moves only when the field it leaves passes
  // its check (the message is shown otherwise); SetFocus and Click return
  // False when the focus stayed. A click on a control first moves the focus
  // to it (Cancel excepted: it closes whatever a field holds).
  bool SetFocus(RecControl control);
  // Option buttons, check boxes and buttons.
  bool Click(RecControl control);
  // A text box's text as typed (cut to its length).
  void SetText(RecControl textBox, std::string_view text);
  // A list's chosen position.
  void SetListIndex(RecControl list, int position);
  // A weekday box ticked or cleared by the user.
  void SetCheck(RecControl box, bool checked);
  // ctlStartDate, ctlEndDate or ctlStartTime.
  void SetDate(RecControl picker, DateTime value);
  // Closes without accepting (Escape, the close box).
  void ClickCancel();

  // The checks and the preview, public for the command line and the tests.
  static bool IsNumberValid(std::string_view text, bool bShowMessage);
  // Checks the controls and writes them into the record; with bInteractive
  // False no message is shown and the focus does not move.
  bool SaveToProps(CMailProps& props, bool bInteractive);
  bool CalcOccurrences(bool bByCount, std::int32_t& nCount, DateTime& dtEndDate);
  void UpdateRangeEnd();
  DateTime GetStartDateTime() const;

 private:
  void LoadFromProps(const CMailProps& props);
  void ShowPage(int nPage);
  void SelectPattern(RecControl option);
  void SelectRow(RecControl option);
  void SelectRange(RecControl option);
  bool LeaveCheck(RecControl field);
  void ClickOk();
  void ClickAttachments();
  void ClickRemoveRec();
  void ArrangeWeekDays(int firstDow);
  std::string* TextOf(RecControl textBox);
  int* ListOf(RecControl list);

  RecurrenceState state_;
};

// The range's end that the recurrence dialog would show for a pattern (its
// start, time and kind as written by the dialog): by count, the last of that
// many occurrences; by date, the occurrences up to it. Fills the count and
// the end date as the dialog's update does (the date moved to the first
// occurrence when it lies before it, back to the 999th when beyond); False
// when the pattern has no occurrence or cannot be computed.
bool PreviewRangeEnd(CMailProps& pattern, bool bByCount, std::int32_t& nCount, DateTime& dtEndDate);

}  // namespace velmora
