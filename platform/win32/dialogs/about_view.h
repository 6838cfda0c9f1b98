// The about box's window over its form model.
#pragma once

#include "addin/support/about.h"
#include "platform/win32/dialogs/dialog_view.h"

namespace velmora::win32 {

class AboutView final : public DialogView {
 public:
  explicit AboutView(frmAbout& form) : form_(form) {}
  ~AboutView() override;
  void Run(HWND owner) noexcept;

 private:
  void OnInit() override;
  void OnCommand(int id, int code) override;
  bool OnMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result) override;
  void OnCloseBox() override;
  std::string_view LogName() const override { return "frmAbout.Form_Load"; }
  void Paint();

  frmAbout& form_;
  HFONT linkFont_ = nullptr;
};

}  // namespace velmora::win32
