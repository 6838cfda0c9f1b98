// The Win32 side of the dialogs' ports: each form model shown modally through
// its view, owned by the innermost open dialog (or the Outlook window), the
// pickers owned the same way, the primary screen in twips, and the shell for
// help and links. Also the entry points the add-in's commands call.
#pragma once

#include <windows.h>

#include "addin/dialogs/dialog_services.h"
#include "addin/store/addin_services.h"

namespace velmora::win32 {

class Win32DialogHost final : public FormHost, public FileDialogPort, public ScreenPort {
 public:
  // `owner`: the window the first dialog belongs to (Outlook's), may be null.
  explicit Win32DialogHost(HWND owner) noexcept : owner_(owner) {}

  void ShowModal(frmOnce& form) override;
  void ShowModal(frmRecurrence& form) override;
  void ShowModal(frmAttachments& form) override;
  void ShowModal(frmAbout& form) override;

  std::string OpenFileDialog() override;
  std::string OpenFolderDialog() override;

  TwipSize PrimaryScreen() override;

  DialogServices Services() noexcept { return {this, this, this}; }

 private:
  HWND Owner() const noexcept;
  HWND owner_;
};

// The shell's default action on a file or address, owned by the open dialog,
// started in C:\, in a normal window; the outcome is not examined.
class DialogShell final : public ShellPort {
 public:
  bool Open(std::string_view fileOrAddress) override;
};

// The modal calls of the schedule command and the about menu entry, with the
// dialog ports installed for the call. The caller sets g_EditProps,
// g_DialogOK, g_TopMost and the owner rectangle first (not for the about box)
// and reads g_DialogOK afterwards. Message boxes and the shell come from the
// add-in's services. Never throw.
void ShowSendTimeDialog(HWND owner) noexcept;
void ShowRecurrenceDialog(HWND owner) noexcept;
void ShowAboutBox(HWND owner) noexcept;

}  // namespace velmora::win32
