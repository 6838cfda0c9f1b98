// The common part of the dialog views: a modal dialog from a template of this
// module, run inside the version 6 context, its window procedure a firewall,
// and the few control operations the views need, in UTF-8.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/datetime.h"
#include "platform/win32/adapters/addin_ports_win32.h"

namespace velmora::win32 {

// A dialog's control ids paired with its form model's names for the controls.
template <class C, std::size_t N>
using ControlIds = std::pair<int, C>[N];

// The model's name for a control id; nothing for a control the model has not.
template <class C, std::size_t N>
std::optional<C> ControlOfId(const ControlIds<C, N>& ids, int id) {
  for (const auto& [i, c] : ids)
    if (i == id) return c;
  return std::nullopt;
}

// The control id for a model's name; 0 for none.
template <class C, std::size_t N>
int IdOfControl(const ControlIds<C, N>& ids, C control) {
  for (const auto& [i, c] : ids)
    if (c == control) return i;
  return 0;
}

class DialogView {
 public:
  DialogView() = default;
  virtual ~DialogView() = default;
  DialogView(const DialogView&) = delete;
  DialogView& operator=(const DialogView&) = delete;

  // Shows the dialog of `templateId` modal to `owner` and returns once it
  // has closed, with the value given to Close (-1 when it could not open).
  INT_PTR RunModal(HWND owner, int templateId) noexcept;

  HWND hwnd() const noexcept { return hwnd_; }
  // The innermost dialog of this thread that is open, or null: the owner of
  // the pickers and of the next dialog.
  static HWND TopDialog() noexcept;
  // The primary screen, in twips.
  static void ScreenSizeTwips(double& width, double& height) noexcept;
  HWND Item(int id) const noexcept { return ::GetDlgItem(hwnd_, id); }

 protected:
  // Fills the controls from the model. Runs inside WM_INITDIALOG.
  virtual void OnInit() = 0;
  virtual void OnCommand(int id, int code) = 0;
  virtual LRESULT OnNotify(const NMHDR& /*nm*/) { return 0; }
  // The close box and Alt+F4; by default the same as Escape.
  virtual void OnCloseBox() { OnCommand(IDCANCEL, BN_CLICKED); }
  // The keyboard focus has come to control `id` (0: none of ours), by the
  // mouse, the keyboard or the view. Runs from the modal loop, after the
  // notification that announced it, never inside another move.
  virtual void OnFocusMoved(int /*id*/) {}
  // Other messages; true when handled, with the result in `result`.
  virtual bool OnMessage(UINT /*msg*/, WPARAM /*w*/, LPARAM /*l*/, LRESULT& /*result*/) {
    return false;
  }
  // Name of the operation that failed, for the log ("frmOnce.Form_Load").
  virtual std::string_view LogName() const = 0;

  void Close(INT_PTR result) noexcept;
  // Asks for OnFocusMoved once the current notification is done.
  void PostFocusSync() noexcept;
  bool closing() const noexcept { return closing_; }

  // While true, notifications caused by the view's own updates (EN_CHANGE
  // from WM_SETTEXT) are not the user's and are not forwarded.
  bool updating() const noexcept { return updating_ > 0; }
  class Updating {
   public:
    explicit Updating(DialogView& v) noexcept : v_(v) { ++v_.updating_; }
    ~Updating() { --v_.updating_; }
    Updating(const Updating&) = delete;
    Updating& operator=(const Updating&) = delete;

   private:
    DialogView& v_;
  };

  // Text only set when it differs, so the caret of a field being typed in
  // stays where it is.
  void SetText(int id, std::string_view text) noexcept;
  std::string GetText(int id) const;
  void SetChecked(int id, bool checked) noexcept;
  bool IsChecked(int id) const noexcept;
  void SetEnabled(int id, bool enabled) noexcept;
  void SetVisible(int id, bool visible) noexcept;
  void LimitText(int id, int chars) noexcept;
  void CaretToEnd(int id) noexcept;
  void FocusControl(int id) noexcept;
  // The id of the control that has the keyboard focus inside this dialog
  // (the edit of a combo box or picker counts as the control); 0 when none.
  int FocusedId() const noexcept;

  // Date and time pickers. Setting an equal value does nothing.
  void SetPicker(int id, DateTime value) noexcept;
  DateTime GetPicker(int id) const noexcept;
  // The time picker shows the user's format without seconds when one is
  // given; up-down style comes with the template.
  void SetPickerFormat(int id, std::string_view format) noexcept;

  // Drop-down lists: the items with their item data, and the selection.
  void FillCombo(int id, const char* const* items, const long* data, int count) noexcept;
  void SetComboIndex(int id, int index) noexcept;
  int GetComboIndex(int id) const noexcept;

  // Makes the window topmost without moving, sizing or activating it.
  void MakeTopMost() noexcept;
  // Size of the window and of the primary screen, and moving, in twips.
  void WindowSizeTwips(double& width, double& height) const noexcept;
  void MoveToTwips(double left, double top) noexcept;
  // Over the window that owns this one: centred on it, or a little below and
  // right of its corner; kept on the screen. Nothing without an owner.
  void PlaceOverOwner(bool centred) noexcept;

 private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
  INT_PTR Handle(UINT msg, WPARAM w, LPARAM l);

  HWND hwnd_ = nullptr;
  int templateId_ = 0;
  int updating_ = 0;
  bool closing_ = false;
  bool syncing_ = false;
  bool syncPosted_ = false;
};

// A seam for the view tests and the screenshot tool: called with each dialog
// once its modal loop runs (template id and window). Empty in the product.
using DialogObserver = std::function<void(int templateId, HWND dialog)>;
void SetDialogObserver(DialogObserver observer);

}  // namespace velmora::win32
