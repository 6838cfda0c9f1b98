// The attachments dialog's window over its form model.
#pragma once

#include "addin/dialogs/frm_attachments.h"
#include "platform/win32/dialogs/dialog_view.h"

namespace velmora::win32 {

class AttachmentsView final : public DialogView {
 public:
  explicit AttachmentsView(frmAttachments& form) : form_(form) {}
  void Run(HWND owner) noexcept;

 private:
  void OnInit() override;
  void OnCommand(int id, int code) override;
  LRESULT OnNotify(const NMHDR& nm) override;
  void OnCloseBox() override;
  void OnFocusMoved(int id) override;
  std::string_view LogName() const override { return "frmAttachments.Form_Load"; }
  void Paint();
  void PaintRows();

  frmAttachments& form_;
};

}  // namespace velmora::win32
