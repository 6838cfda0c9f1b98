#include "platform/win32/dialogs/once_view.h"

#include <commctrl.h>

#include <utility>

#include "common/trap.h"
#include "platform/win32/dialogs/dialog_ids.h"

namespace velmora::win32 {

namespace {

using C = OnceControl;
constexpr std::pair<int, C> kControls[] = {
    {IDC_ONCE_OPTONCE, C::optOnce},
    {IDC_ONCE_OPTRECURRENCE, C::optRecurrence},
    {IDC_ONCE_CTLDATE, C::ctlDate},
    {IDC_ONCE_CTLTIME, C::ctlTime},
    {IDOK, C::btnOk},
    {IDC_ONCE_BTNATTACHMENTS, C::btnAttachments},
    {IDC_ONCE_BTNHELP, C::btnHelp},
    {IDCANCEL, C::btnCancel},
};

}  // namespace

void OnceView::Run(HWND owner) noexcept {
  RunModal(owner, IDD_ONCE);
}

void OnceView::OnInit() {
  double w = 0;
  double h = 0;
  WindowSizeTwips(w, h);
  form_.Load({w, h});
  const OnceState& s = form_.State();
  if (s.timeCustomFormat) SetPickerFormat(IDC_ONCE_CTLTIME, s.timeFormat);
  MoveToTwips(s.position.left, s.position.top);
  if (s.topMost) MakeTopMost();
  Paint();
}

void OnceView::Paint() {
  const Updating quiet(*this);
  const OnceState& s = form_.State();
  SetChecked(IDC_ONCE_OPTONCE, s.optOnce);
  SetChecked(IDC_ONCE_OPTRECURRENCE, !s.optOnce);
  SetPicker(IDC_ONCE_CTLDATE, s.ctlDate);
  SetPicker(IDC_ONCE_CTLTIME, s.ctlTime);
  if (form_.Closed()) Close(IDOK);
}

void OnceView::OnCommand(int id, int code) {
  if (code != BN_CLICKED || updating()) return;
  switch (id) {
    case IDC_ONCE_OPTRECURRENCE:
      form_.ChooseRecurrence();
      break;
    case IDOK:
      form_.ClickOk();
      break;
    case IDCANCEL:
      form_.ClickCancel();
      break;
    case IDC_ONCE_BTNATTACHMENTS:
      form_.ClickAttachments();
      break;
    case IDC_ONCE_BTNHELP:
      form_.ClickHelp();
      break;
    default:  // optOnce: nothing to do
      break;
  }
  Paint();
}

LRESULT OnceView::OnNotify(const NMHDR& nm) {
  if (nm.code != static_cast<UINT>(DTN_DATETIMECHANGE) || updating()) return 0;
  const int id = static_cast<int>(nm.idFrom);
  if (id == IDC_ONCE_CTLDATE) form_.SetDate(GetPicker(id));
  if (id == IDC_ONCE_CTLTIME) form_.SetTime(GetPicker(id));
  Paint();
  return 0;
}

void OnceView::OnFocusMoved(int id) {
  if (const auto control = ControlOfId(kControls, id)) form_.SetFocus(*control);
  if (const int want = IdOfControl(kControls, form_.State().focus);
      want != 0 && want != FocusedId())
    FocusControl(want);
}

}  // namespace velmora::win32
