#include "addin/dialogs/frm_recurrence.h"

#include <algorithm>
#include <string>

#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/calendar.h"
#include "addin/store/globals.h"
#include "addin/store/mlocale.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/text.h"
#include "common/trap.h"

namespace velmora {

namespace {

namespace t = recurrence_text;
using C = RecControl;

constexpr std::int32_t kMaxOccurrences = 999;

// A text box's text as a whole number, as the dialog writes it.
std::int32_t ToWhole(std::string_view text) {
  std::int32_t n = 0;
  if (!ParseInt32(text, n)) Raise(err::kTypeMismatch, "Type mismatch");
  return n;
}

std::string DecimalText(std::int32_t n) {
  return std::to_string(n);
}

// The list position of the first day kind whose mask is `mask`, or -1.
int DayKindIndex(std::int32_t mask) {
  const auto& masks = t::kDayKindMasks;
  const auto it = std::find(masks.begin(), masks.end(), mask);
  return it == masks.end() ? -1 : static_cast<int>(it - masks.begin());
}

std::int32_t DayKindMask(int position) {
  if (position < 0 || position >= static_cast<int>(t::kDayKindMasks.size()))
    Raise(err::kSubscript, "Subscript out of range");
  return t::kDayKindMasks[static_cast<std::size_t>(position)];
}

void Trace(std::string_view text) {
  Ignore([&] { g_debug().Out(text); });
}

// A list position from a stored number (1-based); a number the list does not
// hold keeps the page's default and is traced.
void SetPosition(int& list, std::int32_t stored, std::size_t items) {
  if (stored >= 1 && static_cast<std::size_t>(stored) <= items)
    list = stored - 1;
  else
    Trace(recurrence_text::kInitFailed);
}

// Text cut to `max` characters, not inside a UTF-8 sequence.
std::string CutToLength(std::string_view text, std::size_t max) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars == max) return std::string(text.substr(0, i));
    ++chars;
  }
  return std::string(text);
}

// The occurrences that end the range: by count, the last of that many; by
// date, the occurrences up to that day (at most 999). A range that holds no
// occurrence ends with the first one.
bool OccurrenceSpan(CMailProps& pattern, bool bByCount, std::int32_t& nCount, DateTime& dtEndDate) {
  std::optional<std::vector<DateTime>> list =
      pattern.GetOccurrences(bByCount ? host::Value(nCount) : host::Value(dtEndDate));
  if (!list) return false;
  if (list->empty()) {
    list = pattern.GetOccurrences(std::int32_t{1});
    // A pattern that never occurs has no range to show.
    if (!list || list->empty()) return false;
  }
  nCount = static_cast<std::int32_t>(list->size());
  dtEndDate = list->back();
  return true;
}

// The end date the dialog shows for an end-by date once the occurrences up to
// it are known: moved to the first occurrence when it lies before it, back
// to the last when the list was cut at 999, otherwise left as entered.
DateTime ShownEndByDate(DateTime shown, std::int32_t nCount, DateTime last) {
  if (nCount == kMaxOccurrences || (nCount == 1 && shown < last)) return last.DatePart();
  return shown;
}

bool IsWeekDayBox(C c) {
  return c >= C::arWeekDays1 && c <= C::arWeekDays7;
}

// The row option that an edit of a detail selects, or None.
C RowOptionOf(C detail) {
  switch (detail) {
    case C::txtInterval1:
      return C::optInterval1;
    case C::txtDayOfMonth3:
    case C::txtInterval3:
      return C::optDayOfMonth3;
    case C::cboInstance3:
    case C::cboDayOfWeekMask3:
    case C::txtInterval33:
      return C::optTheMonthNth3;
    case C::cboMonthOfYear4:
    case C::txtDayOfMonth4:
      return C::optYearly4;
    case C::cboInstance4:
    case C::cboDayOfWeekMask4:
    case C::cboMonthOfYear44:
      return C::optYearNth4;
    case C::txtOccurrences:
      return C::optEndAfter;
    default:
      return C::None;
  }
}

}  // namespace

std::size_t MaxLength(RecControl textBox) {
  switch (textBox) {
    case C::txtInterval1:
    case C::txtOccurrences:
      return 3;
    case C::txtInterval2:
    case C::txtInterval3:
    case C::txtInterval33:
    case C::txtDayOfMonth3:
    case C::txtDayOfMonth4:
      return 2;
    default:
      return 0;
  }
}

bool PreviewRangeEnd(CMailProps& pattern, bool bByCount, std::int32_t& nCount,
                     DateTime& dtEndDate) {
  return TrapOr("frmRecurrence.CalcOccurrences", false, [&] {
    std::int32_t n = nCount;
    DateTime last = dtEndDate;
    if (!OccurrenceSpan(pattern, bByCount, n, last)) return false;
    dtEndDate = bByCount ? last.DatePart() : ShownEndByDate(dtEndDate, n, last);
    nCount = n;
    return true;
  });
}

// ---------------------------------------------------------------- loading

void frmRecurrence::Load(TwipSize windowSize) {
  Trap("frmRecurrence.Form_Load", [&] {
    CMailProps& props = Need(g_EditProps);
    if (!props.m_IsRecurring) {
      // A new recurrence: weekly on the schedule time's weekday, from its day.
      const DateTime when = props.m_ScheduleTime;
      props.m_RecurrenceType = recurrence::kWeekly;
      props.m_Interval = 1;
      props.m_DayOfWeekMask = when.WeekdayBit();
      props.m_PatternStartDate = when.DatePart();
      props.m_StartTime = DateTime::FromTime(when.Hour(), when.Minute(), 0);
      props.m_PatternEndDate = props.m_PatternStartDate;
      props.m_NoEndDate = true;
      props.m_Occurrences = 0;
    }
    LoadFromProps(props);
    // The end date then shows the tenth occurrence.
    if (!props.m_IsRecurring) UpdateRangeEnd();
    state_.position = CenterOnOwner(windowSize, TheScreen().PrimaryScreen());
    state_.topMost = g_TopMost;
  });
}

void frmRecurrence::LoadFromProps(const CMailProps& props) {
  std::string format;
  if (mLocale::GetTimeFormat(format)) {
    state_.timeCustomFormat = true;
    state_.timeFormat = format;
  }
  state_.btnRemoveRecEnabled = props.m_IsRecurring;
  state_.ctlStartDate = props.m_PatternStartDate;
  state_.ctlStartTime = props.m_StartTime;
  state_.ctlEndDate = props.m_PatternEndDate;
  if (props.m_NoEndDate) {
    SelectRange(C::optNoEndDate);
    state_.txtOccurrences = "10";
  } else {
    SelectRange(C::optEndAfter);
    state_.txtOccurrences = DecimalText(props.m_Occurrences);
  }

  switch (props.m_RecurrenceType) {
    case recurrence::kDaily:
      SelectPattern(C::optDaily);
      if (props.m_Interval != 0) {
        SelectRow(C::optInterval1);
        state_.txtInterval1 = DecimalText(props.m_Interval);
      } else if (props.m_DayOfWeekMask != 0) {
        SelectRow(C::optEveryWeekday1);
      } else {
        Trace(t::kInitFailed);
      }
      break;
    case recurrence::kWeekly:
      SelectPattern(C::optWeekly);
      state_.txtInterval2 = DecimalText(props.m_Interval);
      for (int i = 0; i < 7; ++i)
        state_.arWeekDays[static_cast<std::size_t>(i)] = (props.m_DayOfWeekMask >> i & 1) != 0;
      ArrangeWeekDays(LoadFirstDOW());
      if (props.m_DayOfWeekMask == 0) Trace(t::kInitFailed);
      break;
    case recurrence::kMonthly:
      SelectPattern(C::optMonthly);
      state_.txtDayOfMonth3 = DecimalText(props.m_DayOfMonth);
      state_.txtInterval3 = DecimalText(props.m_Interval);
      SelectRow(C::optDayOfMonth3);
      break;
    case recurrence::kMonthNth: {
      SelectPattern(C::optMonthly);
      SelectRow(C::optTheMonthNth3);
      state_.txtInterval33 = DecimalText(props.m_Interval);
      SetPosition(state_.cboInstance3, props.m_Instance, t::kInstances.size());
      const int kind = DayKindIndex(props.m_DayOfWeekMask);
      if (kind < 0)
        Trace(t::kInitFailed);
      else
        state_.cboDayOfWeekMask3 = kind;
      break;
    }
    case recurrence::kYearly:
      SelectPattern(C::optYearly);
      SetPosition(state_.cboMonthOfYear4, props.m_MonthOfYear, t::kMonths.size());
      state_.txtDayOfMonth4 = DecimalText(props.m_DayOfMonth);
      SelectRow(C::optYearly4);
      break;
    case recurrence::kYearNth: {
      SelectPattern(C::optYearly);
      SelectRow(C::optYearNth4);
      SetPosition(state_.cboInstance4, props.m_Instance, t::kInstances.size());
      SetPosition(state_.cboMonthOfYear44, props.m_MonthOfYear, t::kMonths.size());
      const int kind = DayKindIndex(props.m_DayOfWeekMask);
      if (kind < 0)
        Trace(t::kInitFailed);
      else
        state_.cboDayOfWeekMask4 = kind;
      break;
    }
    default:
      Trace(t::kInitFailed);
      break;
  }
}

void frmRecurrence::ArrangeWeekDays(int firstDow) {
  if (firstDow < 2 || firstDow > 7) return;
  for (int i = 1; i <= 7; ++i)
    state_.weekDaySlots[static_cast<std::size_t>(i - 1)] = (firstDow + i - 2) % 7 + 1;
}

// ---------------------------------------------------------------- pages

void frmRecurrence::ShowPage(int nPage) {
  state_.visiblePage = nPage;
}

DateTime frmRecurrence::GetStartDateTime() const {
  return state_.ctlStartDate.DatePart().AddMinutes(state_.ctlStartTime.Hour() * 60 +
                                                   state_.ctlStartTime.Minute());
}

void frmRecurrence::SelectPattern(RecControl option) {
  if (state_.pattern == option) return;
  state_.pattern = option;
  const DateTime start = GetStartDateTime();
  const int weekdayKind = DayKindIndex(start.WeekdayBit());
  switch (option) {
    case C::optDaily:
      ShowPage(1);
      state_.txtInterval1 = "1";
      SelectRow(C::optInterval1);
      break;
    case C::optWeekly:
      ShowPage(2);
      state_.arWeekDays = {};
      state_.arWeekDays[static_cast<std::size_t>(start.Weekday() - 1)] = true;
      state_.txtInterval2 = "1";
      break;
    case C::optMonthly:
      ShowPage(3);
      state_.txtDayOfMonth3 = DecimalText(start.Day());
      state_.txtInterval3 = "1";
      state_.cboDayOfWeekMask3 = weekdayKind;
      state_.cboInstance3 = GetWeekInstance(start) - 1;
      state_.txtInterval33 = "1";
      SelectRow(C::optDayOfMonth3);
      break;
    case C::optYearly:
      ShowPage(4);
      state_.cboMonthOfYear4 = start.Month() - 1;
      state_.txtDayOfMonth4 = DecimalText(start.Day());
      state_.cboInstance4 = GetWeekInstance(start) - 1;
      state_.cboDayOfWeekMask4 = weekdayKind;
      state_.cboMonthOfYear44 = start.Month() - 1;
      SelectRow(C::optYearly4);
      break;
    default:
      break;
  }
  if (state_.focus == option) UpdateRangeEnd();
}

void frmRecurrence::SelectRow(RecControl option) {
  RecControl* group = nullptr;
  switch (option) {
    case C::optInterval1:
    case C::optEveryWeekday1:
      group = &state_.dailyRow;
      break;
    case C::optDayOfMonth3:
    case C::optTheMonthNth3:
      group = &state_.monthlyRow;
      break;
    case C::optYearly4:
    case C::optYearNth4:
      group = &state_.yearlyRow;
      break;
    default:
      return;
  }
  if (*group == option) return;
  *group = option;
  if (state_.focus == option) UpdateRangeEnd();
}

void frmRecurrence::SelectRange(RecControl option) {
  if (state_.range == option) return;
  state_.range = option;
  if (option == C::optNoEndDate && state_.focus == option) {
    state_.txtOccurrences = "10";
    UpdateRangeEnd();
  }
}

// ---------------------------------------------------------------- the user

std::string* frmRecurrence::TextOf(RecControl textBox) {
  switch (textBox) {
    case C::txtInterval1:
      return &state_.txtInterval1;
    case C::txtInterval2:
      return &state_.txtInterval2;
    case C::txtDayOfMonth3:
      return &state_.txtDayOfMonth3;
    case C::txtInterval3:
      return &state_.txtInterval3;
    case C::txtInterval33:
      return &state_.txtInterval33;
    case C::txtDayOfMonth4:
      return &state_.txtDayOfMonth4;
    case C::txtOccurrences:
      return &state_.txtOccurrences;
    default:
      return nullptr;
  }
}

int* frmRecurrence::ListOf(RecControl list) {
  switch (list) {
    case C::cboInstance3:
      return &state_.cboInstance3;
    case C::cboDayOfWeekMask3:
      return &state_.cboDayOfWeekMask3;
    case C::cboMonthOfYear4:
      return &state_.cboMonthOfYear4;
    case C::cboInstance4:
      return &state_.cboInstance4;
    case C::cboDayOfWeekMask4:
      return &state_.cboDayOfWeekMask4;
    case C::cboMonthOfYear44:
      return &state_.cboMonthOfYear44;
    default:
      return nullptr;
  }
}

bool frmRecurrence::SetFocus(RecControl control) {
  if (control == state_.focus) return true;
  if (control == C::btnRemoveRec && !state_.btnRemoveRecEnabled) return false;
  if (!LeaveCheck(state_.focus)) return false;
  state_.focus = control;
  return true;
}

bool frmRecurrence::LeaveCheck(RecControl field) {
  return TrapOr("frmRecurrence.Validate", false, [&] {
    switch (field) {
      case C::txtInterval1:
      case C::txtInterval2:
      case C::txtInterval3:
      case C::txtInterval33:
        return IsNumberValid(*TextOf(field), true);
      case C::txtDayOfMonth3:
      case C::txtDayOfMonth4:
        if (!IsNumberValid(*TextOf(field), true)) return false;
        if (ToWhole(*TextOf(field)) > 31) {
          DialogMessage(t::kPatternNotValid, mb::kOkOnly);
          return false;
        }
        return true;
      case C::txtOccurrences:
        if (!IsNumberValid(state_.txtOccurrences, true)) return false;
        UpdateRangeEnd();
        return true;
      default:
        return true;
    }
  });
}

bool frmRecurrence::Click(RecControl control) {
  return Firewall("frmRecurrence.Click", [&] {
    if (control == C::btnCancel) {
      ClickCancel();
      return true;
    }
    if (!SetFocus(control)) return false;
    switch (control) {
      case C::optDaily:
      case C::optWeekly:
      case C::optMonthly:
      case C::optYearly:
        SelectPattern(control);
        break;
      case C::optInterval1:
      case C::optEveryWeekday1:
      case C::optDayOfMonth3:
      case C::optTheMonthNth3:
      case C::optYearly4:
      case C::optYearNth4:
        SelectRow(control);
        break;
      case C::optNoEndDate:
      case C::optEndAfter:
      case C::optEndBy:
        SelectRange(control);
        break;
      case C::btnOK:
        ClickOk();
        break;
      case C::btnAttachments:
        ClickAttachments();
        break;
      case C::btnRemoveRec:
        ClickRemoveRec();
        break;
      default:
        if (IsWeekDayBox(control)) {
          const auto i = static_cast<std::size_t>(static_cast<int>(control) -
                                                  static_cast<int>(C::arWeekDays1));
          state_.arWeekDays[i] = !state_.arWeekDays[i];
        }
        break;
    }
    return true;
  });
}

void frmRecurrence::SetText(RecControl textBox, std::string_view text) {
  std::string* box = TextOf(textBox);
  if (!box) return;
  std::string value = CutToLength(text, MaxLength(textBox));
  if (value == *box) return;
  *box = std::move(value);
  if (state_.focus != textBox) return;
  const RecControl row = RowOptionOf(textBox);
  if (row == C::optEndAfter)
    SelectRange(row);
  else
    SelectRow(row);
}

void frmRecurrence::SetListIndex(RecControl list, int position) {
  int* value = ListOf(list);
  if (!value) return;
  const int count = list == C::cboInstance3 || list == C::cboInstance4             ? 5
                    : list == C::cboDayOfWeekMask3 || list == C::cboDayOfWeekMask4 ? 10
                                                                                   : 12;
  if (position < -1 || position >= count || position == *value) return;
  *value = position;
  if (state_.focus == list) SelectRow(RowOptionOf(list));
}

void frmRecurrence::SetCheck(RecControl box, bool checked) {
  if (!IsWeekDayBox(box)) return;
  state_.arWeekDays[static_cast<std::size_t>(static_cast<int>(box) -
                                             static_cast<int>(C::arWeekDays1))] = checked;
}

void frmRecurrence::SetDate(RecControl picker, DateTime value) {
  DateTime* shown = picker == C::ctlStartDate   ? &state_.ctlStartDate
                    : picker == C::ctlEndDate   ? &state_.ctlEndDate
                    : picker == C::ctlStartTime ? &state_.ctlStartTime
                                                : nullptr;
  // A date equal to the one shown is no change: nothing runs.
  if (!shown || *shown == value) return;
  *shown = value;
  if (picker == C::ctlEndDate && state_.focus == C::ctlEndDate) {
    SelectRange(C::optEndBy);
    UpdateRangeEnd();
  }
}

// ---------------------------------------------------------------- buttons

void frmRecurrence::ClickOk() {
  Trap("frmRecurrence.btnOK_Click", [&] {
    CMailProps& props = Need(g_EditProps);
    if (!SaveToProps(props, true)) return;
    g_DialogOK = true;
    props.m_IsRecurring = true;
    state_.outcome = RecurrenceOutcome::Accepted;
  });
}

void frmRecurrence::ClickCancel() {
  state_.outcome = RecurrenceOutcome::Cancelled;
}

void frmRecurrence::ClickAttachments() {
  Trap("frmRecurrence.btnAttachments_Click", [] { ShowAttachmentsDialog(); });
}

void frmRecurrence::ClickRemoveRec() {
  Ignore([] { Need(g_EditProps).m_IsRecurring = false; });
  state_.outcome = RecurrenceOutcome::RemoveRecurrence;
}

// ---------------------------------------------------------------- checks

bool frmRecurrence::IsNumberValid(std::string_view text, bool bShowMessage) {
  const std::string_view trimmed = Trim(text);
  std::int32_t n = 0;
  const bool valid =
      ParseInt32(trimmed, n) && n != 0 &&
      std::all_of(trimmed.begin(), trimmed.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!valid && bShowMessage) Ignore([] { DialogMessage(t::kNumberNotValid, mb::kOkOnly); });
  return valid;
}

bool frmRecurrence::SaveToProps(CMailProps& props, bool bInteractive) {
  return TrapOr("frmRecurrence.SaveToProps", false, [&] {
    const RecurrenceState& s = state_;
    if (bInteractive && s.pattern == C::optMonthly && s.monthlyRow == C::optDayOfMonth3 &&
        ToWhole(s.txtDayOfMonth3) >= 29) {
      const std::string note = t::kShortMonths1 + s.txtDayOfMonth3 + t::kShortMonths2;
      if (DialogMessage(note, mb::kOkCancel) != mb::kOk) {
        state_.focus = C::txtDayOfMonth3;
        return false;
      }
    }
    if (s.pattern == C::optYearly && s.yearlyRow == C::optYearly4) {
      const DateTime month = DateTime::FromParts(s.ctlStartDate.Year(), s.cboMonthOfYear4 + 1, 1);
      if (ToWhole(s.txtDayOfMonth4) > GetDaysInMonth(month)) {
        if (bInteractive) {
          DialogMessage(t::kPatternNotValid, mb::kOkOnly);
          state_.focus = C::txtDayOfMonth4;
        }
        return false;
      }
    }

    props.m_PatternStartDate = s.ctlStartDate.DatePart();
    props.m_StartTime = DateTime::FromTime(s.ctlStartTime.Hour(), s.ctlStartTime.Minute(), 0);
    props.m_PatternEndDate = s.ctlEndDate.DatePart();
    if (s.range == C::optNoEndDate) {
      props.m_NoEndDate = true;
      props.m_Occurrences = 0;
    } else {
      props.m_NoEndDate = false;
      props.m_Occurrences = ToWhole(s.txtOccurrences);
    }

    bool written = true;
    switch (s.pattern) {
      case C::optDaily:
        if (s.dailyRow == C::optInterval1) {
          props.m_RecurrenceType = recurrence::kDaily;
          props.m_Interval = ToWhole(s.txtInterval1);
          props.m_DayOfWeekMask = 0;
        } else if (s.dailyRow == C::optEveryWeekday1) {
          props.m_RecurrenceType = recurrence::kDaily;
          props.m_Interval = 0;
          props.m_DayOfWeekMask = GetWorkdayMask();
        } else {
          written = false;
        }
        break;
      case C::optWeekly: {
        std::int32_t mask = 0;
        for (int i = 0; i < 7; ++i)
          if (s.arWeekDays[static_cast<std::size_t>(i)]) mask |= 1 << i;
        if (mask == 0) {
          written = false;
          break;
        }
        props.m_RecurrenceType = recurrence::kWeekly;
        props.m_Interval = ToWhole(s.txtInterval2);
        props.m_DayOfWeekMask = mask;
        break;
      }
      case C::optMonthly:
        if (s.monthlyRow == C::optDayOfMonth3) {
          props.m_RecurrenceType = recurrence::kMonthly;
          props.m_DayOfMonth = ToWhole(s.txtDayOfMonth3);
          props.m_Interval = ToWhole(s.txtInterval3);
        } else if (s.monthlyRow == C::optTheMonthNth3) {
          props.m_RecurrenceType = recurrence::kMonthNth;
          props.m_Interval = ToWhole(s.txtInterval33);
          props.m_Instance = s.cboInstance3 + 1;
          props.m_DayOfWeekMask = DayKindMask(s.cboDayOfWeekMask3);
        } else {
          written = false;
        }
        break;
      case C::optYearly:
        if (s.yearlyRow == C::optYearly4) {
          props.m_RecurrenceType = recurrence::kYearly;
          props.m_MonthOfYear = s.cboMonthOfYear4 + 1;
          props.m_DayOfMonth = ToWhole(s.txtDayOfMonth4);
        } else if (s.yearlyRow == C::optYearNth4) {
          props.m_RecurrenceType = recurrence::kYearNth;
          props.m_Instance = s.cboInstance4 + 1;
          props.m_DayOfWeekMask = DayKindMask(s.cboDayOfWeekMask4);
          props.m_MonthOfYear = s.cboMonthOfYear44 + 1;
        } else {
          written = false;
        }
        break;
      default:
        written = false;
        break;
    }
    if (!written) {
      if (bInteractive) DialogMessage(t::kPatternNotValid, mb::kOkOnly);
      Trace(t::kPatternNotValid);
      return false;
    }
    return true;
  });
}

// ---------------------------------------------------------------- the range

bool frmRecurrence::CalcOccurrences(bool bByCount, std::int32_t& nCount, DateTime& dtEndDate) {
  CMailProps scratch;
  if (!SaveToProps(scratch, false)) return false;
  return TrapOr("frmRecurrence.CalcOccurrences", false,
                [&] { return OccurrenceSpan(scratch, bByCount, nCount, dtEndDate); });
}

void frmRecurrence::UpdateRangeEnd() {
  RecurrenceState& s = state_;
  if (s.range == C::optNoEndDate || s.range == C::optEndAfter) {
    if (!IsNumberValid(s.txtOccurrences, false)) return;
    std::int32_t count = 0;
    if (!ParseInt32(s.txtOccurrences, count)) return;
    DateTime end = s.ctlEndDate;
    if (CalcOccurrences(true, count, end)) s.ctlEndDate = end.DatePart();
  } else if (s.range == C::optEndBy) {
    std::int32_t count = 0;
    DateTime last = s.ctlEndDate;
    if (!CalcOccurrences(false, count, last)) return;
    s.ctlEndDate = ShownEndByDate(s.ctlEndDate, count, last);
    s.txtOccurrences = DecimalText(count);
  } else {
    Trace(t::kNoEndOption);
  }
}

}  // namespace velmora
