// The recurrence dialog's window over its form model.
#pragma once

#include <array>

#include "addin/dialogs/frm_recurrence.h"
#include "platform/win32/dialogs/dialog_view.h"

namespace velmora::win32 {

class RecurrenceView final : public DialogView {
 public:
  explicit RecurrenceView(frmRecurrence& form) : form_(form) {}
  void Run(HWND owner) noexcept;

 private:
  void OnInit() override;
  void OnCommand(int id, int code) override;
  LRESULT OnNotify(const NMHDR& nm) override;
  void OnCloseBox() override;
  void OnFocusMoved(int id) override;
  std::string_view LogName() const override { return "frmRecurrence.Form_Load"; }
  // Shows the model's state: values, pages, the weekday boxes' places, the
  // focus the model keeps; closes when the model says so.
  void Paint();
  void PaintWeekDaySlots();

  frmRecurrence& form_;
  // Where the weekday boxes stood in the template, slot 1 to 7.
  std::array<POINT, 7> slots_{};
  std::array<int, 7> shownSlots_ = {1, 2, 3, 4, 5, 6, 7};
};

}  // namespace velmora::win32
