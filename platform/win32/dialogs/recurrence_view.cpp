#include "platform/win32/dialogs/recurrence_view.h"

#include <commctrl.h>

#include <string>
#include <utility>

#include "platform/win32/dialogs/dialog_ids.h"

namespace velmora::win32 {

namespace {

using C = RecControl;

constexpr std::pair<int, C> kControls[] = {
    {IDC_REC_CTLSTARTTIME, C::ctlStartTime},
    {IDC_REC_OPTDAILY, C::optDaily},
    {IDC_REC_OPTWEEKLY, C::optWeekly},
    {IDC_REC_OPTMONTHLY, C::optMonthly},
    {IDC_REC_OPTYEARLY, C::optYearly},
    {IDC_REC_OPTINTERVAL1, C::optInterval1},
    {IDC_REC_TXTINTERVAL1, C::txtInterval1},
    {IDC_REC_OPTEVERYWEEKDAY1, C::optEveryWeekday1},
    {IDC_REC_TXTINTERVAL2, C::txtInterval2},
    {IDC_REC_WEEKDAY1, C::arWeekDays1},
    {IDC_REC_WEEKDAY2, C::arWeekDays2},
    {IDC_REC_WEEKDAY3, C::arWeekDays3},
    {IDC_REC_WEEKDAY4, C::arWeekDays4},
    {IDC_REC_WEEKDAY5, C::arWeekDays5},
    {IDC_REC_WEEKDAY6, C::arWeekDays6},
    {IDC_REC_WEEKDAY7, C::arWeekDays7},
    {IDC_REC_OPTDAYOFMONTH3, C::optDayOfMonth3},
    {IDC_REC_TXTDAYOFMONTH3, C::txtDayOfMonth3},
    {IDC_REC_TXTINTERVAL3, C::txtInterval3},
    {IDC_REC_OPTTHEMONTHNTH3, C::optTheMonthNth3},
    {IDC_REC_CBOINSTANCE3, C::cboInstance3},
    {IDC_REC_CBODAYOFWEEKMASK3, C::cboDayOfWeekMask3},
    {IDC_REC_TXTINTERVAL33, C::txtInterval33},
    {IDC_REC_OPTYEARLY4, C::optYearly4},
    {IDC_REC_CBOMONTHOFYEAR4, C::cboMonthOfYear4},
    {IDC_REC_TXTDAYOFMONTH4, C::txtDayOfMonth4},
    {IDC_REC_OPTYEARNTH4, C::optYearNth4},
    {IDC_REC_CBOINSTANCE4, C::cboInstance4},
    {IDC_REC_CBODAYOFWEEKMASK4, C::cboDayOfWeekMask4},
    {IDC_REC_CBOMONTHOFYEAR44, C::cboMonthOfYear44},
    {IDC_REC_CTLSTARTDATE, C::ctlStartDate},
    {IDC_REC_OPTNOENDDATE, C::optNoEndDate},
    {IDC_REC_OPTENDAFTER, C::optEndAfter},
    {IDC_REC_TXTOCCURRENCES, C::txtOccurrences},
    {IDC_REC_OPTENDBY, C::optEndBy},
    {IDC_REC_CTLENDDATE, C::ctlEndDate},
    {IDOK, C::btnOK},
    {IDC_REC_BTNATTACHMENTS, C::btnAttachments},
    {IDCANCEL, C::btnCancel},
    {IDC_REC_BTNREMOVEREC, C::btnRemoveRec},
};

C ControlOf(int id) {
  return ControlOfId(kControls, id).value_or(C::None);
}

int IdOf(C control) {
  return IdOfControl(kControls, control);
}

// The pages, each the controls that show and hide together.
constexpr int kDailyPage[] = {IDC_REC_OPTINTERVAL1, IDC_REC_TXTINTERVAL1, IDC_REC_LABEL3,
                              IDC_REC_OPTEVERYWEEKDAY1};
constexpr int kWeeklyPage[] = {
    IDC_REC_LABEL1,   IDC_REC_TXTINTERVAL2, IDC_REC_LABEL2,   IDC_REC_WEEKDAY1, IDC_REC_WEEKDAY2,
    IDC_REC_WEEKDAY3, IDC_REC_WEEKDAY4,     IDC_REC_WEEKDAY5, IDC_REC_WEEKDAY6, IDC_REC_WEEKDAY7};
constexpr int kMonthlyPage[] = {IDC_REC_OPTDAYOFMONTH3, IDC_REC_TXTDAYOFMONTH3,
                                IDC_REC_LABEL4,         IDC_REC_TXTINTERVAL3,
                                IDC_REC_LABEL5,         IDC_REC_OPTTHEMONTHNTH3,
                                IDC_REC_CBOINSTANCE3,   IDC_REC_CBODAYOFWEEKMASK3,
                                IDC_REC_LABEL7,         IDC_REC_TXTINTERVAL33,
                                IDC_REC_LABEL6};
constexpr int kYearlyPage[] = {IDC_REC_OPTYEARLY4,     IDC_REC_CBOMONTHOFYEAR4,
                               IDC_REC_TXTDAYOFMONTH4, IDC_REC_OPTYEARNTH4,
                               IDC_REC_CBOINSTANCE4,   IDC_REC_CBODAYOFWEEKMASK4,
                               IDC_REC_LABEL11,        IDC_REC_CBOMONTHOFYEAR44};

struct TextBox {
  int id;
  std::string RecurrenceState::*value;
};
constexpr TextBox kTextBoxes[] = {
    {IDC_REC_TXTINTERVAL1, &RecurrenceState::txtInterval1},
    {IDC_REC_TXTINTERVAL2, &RecurrenceState::txtInterval2},
    {IDC_REC_TXTDAYOFMONTH3, &RecurrenceState::txtDayOfMonth3},
    {IDC_REC_TXTINTERVAL3, &RecurrenceState::txtInterval3},
    {IDC_REC_TXTINTERVAL33, &RecurrenceState::txtInterval33},
    {IDC_REC_TXTDAYOFMONTH4, &RecurrenceState::txtDayOfMonth4},
    {IDC_REC_TXTOCCURRENCES, &RecurrenceState::txtOccurrences},
};

struct List {
  int id;
  int RecurrenceState::*value;
};
constexpr List kLists[] = {
    {IDC_REC_CBOINSTANCE3, &RecurrenceState::cboInstance3},
    {IDC_REC_CBODAYOFWEEKMASK3, &RecurrenceState::cboDayOfWeekMask3},
    {IDC_REC_CBOMONTHOFYEAR4, &RecurrenceState::cboMonthOfYear4},
    {IDC_REC_CBOINSTANCE4, &RecurrenceState::cboInstance4},
    {IDC_REC_CBODAYOFWEEKMASK4, &RecurrenceState::cboDayOfWeekMask4},
    {IDC_REC_CBOMONTHOFYEAR44, &RecurrenceState::cboMonthOfYear44},
};

struct OptionGroup {
  RecControl RecurrenceState::*selected;
  C options[4];
};
constexpr OptionGroup kGroups[] = {
    {&RecurrenceState::pattern, {C::optDaily, C::optWeekly, C::optMonthly, C::optYearly}},
    {&RecurrenceState::dailyRow, {C::optInterval1, C::optEveryWeekday1, C::None, C::None}},
    {&RecurrenceState::monthlyRow, {C::optDayOfMonth3, C::optTheMonthNth3, C::None, C::None}},
    {&RecurrenceState::yearlyRow, {C::optYearly4, C::optYearNth4, C::None, C::None}},
    {&RecurrenceState::range, {C::optNoEndDate, C::optEndAfter, C::optEndBy, C::None}},
};

}  // namespace

void RecurrenceView::Run(HWND owner) noexcept {
  RunModal(owner, IDD_RECURRENCE);
}

void RecurrenceView::OnInit() {
  namespace t = recurrence_text;
  for (const TextBox& box : kTextBoxes)
    LimitText(box.id, static_cast<int>(MaxLength(ControlOf(box.id))));
  const long zeros[12] = {};
  long masks[10];
  for (size_t i = 0; i < 10; ++i)
    masks[i] = t::kDayKindMasks[i];
  FillCombo(IDC_REC_CBOINSTANCE3, t::kInstances.data(), zeros, 5);
  FillCombo(IDC_REC_CBOINSTANCE4, t::kInstances.data(), zeros, 5);
  FillCombo(IDC_REC_CBODAYOFWEEKMASK3, t::kDayKinds.data(), masks, 10);
  FillCombo(IDC_REC_CBODAYOFWEEKMASK4, t::kDayKinds.data(), masks, 10);
  FillCombo(IDC_REC_CBOMONTHOFYEAR4, t::kMonths.data(), zeros, 12);
  FillCombo(IDC_REC_CBOMONTHOFYEAR44, t::kMonths.data(), zeros, 12);
  for (int i = 0; i < 7; ++i) {
    RECT r{};
    ::GetWindowRect(Item(IDC_REC_WEEKDAY1 + i), &r);
    POINT p{r.left, r.top};
    ::ScreenToClient(hwnd(), &p);
    slots_[static_cast<size_t>(i)] = p;
  }
  // Every page starts hidden: one shows once a pattern is chosen.
  for (int id : kDailyPage)
    SetVisible(id, false);
  for (int id : kWeeklyPage)
    SetVisible(id, false);
  for (int id : kMonthlyPage)
    SetVisible(id, false);
  for (int id : kYearlyPage)
    SetVisible(id, false);

  double w = 0;
  double h = 0;
  WindowSizeTwips(w, h);
  form_.Load({w, h});
  const RecurrenceState& s = form_.State();
  if (s.timeCustomFormat) SetPickerFormat(IDC_REC_CTLSTARTTIME, s.timeFormat);
  MoveToTwips(s.position.left, s.position.top);
  if (s.topMost) MakeTopMost();
  Paint();
}

void RecurrenceView::PaintWeekDaySlots() {
  const auto& want = form_.State().weekDaySlots;
  if (want == shownSlots_) return;
  // Slot i takes the box of weekday want[i]; the tab order follows the slots.
  HWND after = Item(IDC_REC_LABEL2);
  for (size_t i = 0; i < 7; ++i) {
    const int weekday = want[i];
    if (weekday < 1 || weekday > 7) return;
    const HWND box = Item(IDC_REC_WEEKDAY1 + weekday - 1);
    ::SetWindowPos(box, after, slots_[i].x, slots_[i].y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    after = box;
  }
  shownSlots_ = want;
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void RecurrenceView::Paint() {
  const Updating quiet(*this);
  const RecurrenceState& s = form_.State();
  SetPicker(IDC_REC_CTLSTARTTIME, s.ctlStartTime);
  SetPicker(IDC_REC_CTLSTARTDATE, s.ctlStartDate);
  SetPicker(IDC_REC_CTLENDDATE, s.ctlEndDate);
  for (const OptionGroup& g : kGroups)
    for (C option : g.options)
      if (option != C::None) SetChecked(IdOf(option), s.*g.selected == option);
  for (const TextBox& box : kTextBoxes)
    SetText(box.id, s.*box.value);
  for (const List& list : kLists)
    SetComboIndex(list.id, s.*list.value);
  for (int i = 0; i < 7; ++i)
    SetChecked(IDC_REC_WEEKDAY1 + i, s.arWeekDays[static_cast<size_t>(i)]);
  PaintWeekDaySlots();
  // Hide first, then show, so two pages never stand on each other.
  const auto show = [this](const auto& page, bool visible) {
    for (int id : page)
      SetVisible(id, visible);
  };
  if (s.visiblePage != 1) show(kDailyPage, false);
  if (s.visiblePage != 2) show(kWeeklyPage, false);
  if (s.visiblePage != 3) show(kMonthlyPage, false);
  if (s.visiblePage != 4) show(kYearlyPage, false);
  if (s.visiblePage == 1) show(kDailyPage, true);
  if (s.visiblePage == 2) show(kWeeklyPage, true);
  if (s.visiblePage == 3) show(kMonthlyPage, true);
  if (s.visiblePage == 4) show(kYearlyPage, true);
  SetEnabled(IDC_REC_BTNREMOVEREC, s.btnRemoveRecEnabled);
  if (form_.Closed()) {
    Close(IDOK);
    return;
  }
  // The model keeps the focus in a field that failed its check, or puts it
  // on the field a message was about; Cancel is left alone, since tabbing to
  // it checks nothing.
  const int want = IdOf(s.focus);
  const int now = FocusedId();
  if (want != 0 && now != want && now != IDCANCEL && ::IsWindowVisible(Item(want)))
    FocusControl(want);
}

void RecurrenceView::OnCommand(int id, int code) {
  if (updating()) return;
  const C control = ControlOf(id);
  if (control == C::None) return;
  switch (code) {
    case BN_CLICKED:
      if (id == IDCANCEL)
        form_.Click(C::btnCancel);
      else
        form_.Click(control);
      break;
    case EN_CHANGE:
      form_.SetText(control, GetText(id));
      break;
    case CBN_SELCHANGE:
      form_.SetListIndex(control, GetComboIndex(id));
      break;
    default:
      return;
  }
  Paint();
}

LRESULT RecurrenceView::OnNotify(const NMHDR& nm) {
  if (nm.code != static_cast<UINT>(DTN_DATETIMECHANGE) || updating()) return 0;
  const int id = static_cast<int>(nm.idFrom);
  const C control = ControlOf(id);
  if (control != C::ctlStartTime && control != C::ctlStartDate && control != C::ctlEndDate)
    return 0;
  DateTime value = GetPicker(id);
  // The time picker stands for a time of day alone, as the record keeps it.
  if (control == C::ctlStartTime) value = value.TimePart();
  form_.SetDate(control, value);
  Paint();
  return 0;
}

void RecurrenceView::OnCloseBox() {
  form_.ClickCancel();
  Paint();
}

void RecurrenceView::OnFocusMoved(int id) {
  // Cancel checks no field: it closes whatever a field holds.
  if (id == IDCANCEL) return;
  const C control = ControlOf(id);
  if (control == C::None) return;
  form_.SetFocus(control);
  Paint();
}

}  // namespace velmora::win32
