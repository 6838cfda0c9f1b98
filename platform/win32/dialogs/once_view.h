// The send-time dialog's window over its form model.
#pragma once

#include "addin/dialogs/frm_once.h"
#include "platform/win32/dialogs/dialog_view.h"

namespace velmora::win32 {

class OnceView final : public DialogView {
 public:
  explicit OnceView(frmOnce& form) : form_(form) {}
  void Run(HWND owner) noexcept;

 private:
  void OnInit() override;
  void OnCommand(int id, int code) override;
  LRESULT OnNotify(const NMHDR& nm) override;
  void OnFocusMoved(int id) override;
  std::string_view LogName() const override { return "frmDelay.Form_Load"; }
  // Shows the model's state, and closes when the model says so.
  void Paint();

  frmOnce& form_;
};

}  // namespace velmora::win32
