// What the scheduling dialogs need from the platform beyond the add-in's
// message box and shell: the primary screen's size, the file and folder
// pickers, and a host that shows a form model modally through its view.
// Installed by the deliverable's entry point or by a test.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

class frmOnce;
class frmRecurrence;
class frmAttachments;
class frmAbout;

// A size in twips (1440 to the inch; 15 to a pixel at 96 dots per inch).
struct TwipSize {
  double width = 0;
  double height = 0;
};

// The primary screen, in twips.
class ScreenPort {
 public:
  virtual ~ScreenPort() = default;
  virtual TwipSize PrimaryScreen() = 0;
};

// The two standard pickers, owned by the dialog that is open. Each returns
// the chosen path, or empty text when the user cancels or the picker fails.
class FileDialogPort {
 public:
  virtual ~FileDialogPort() = default;
  virtual std::string OpenFileDialog() = 0;
  virtual std::string OpenFolderDialog() = 0;
};

// Shows a form modally over the dialog that is open (or over the host
// window) and returns once the form has closed. The view calls the form's
// Load, forwards the user's actions and paints its state; it ends its modal
// loop when the form's state says it is closed.
class FormHost {
 public:
  virtual ~FormHost() = default;
  virtual void ShowModal(frmOnce& form) = 0;
  virtual void ShowModal(frmRecurrence& form) = 0;
  virtual void ShowModal(frmAttachments& form) = 0;
  virtual void ShowModal(frmAbout& form) = 0;
};

struct DialogServices {
  ScreenPort* screen = nullptr;
  FileDialogPort* pickers = nullptr;
  FormHost* forms = nullptr;
};

DialogServices& GetDialogServices() noexcept;

// Each raises error 91 when its port is missing.
ScreenPort& TheScreen();
FileDialogPort& ThePickers();
FormHost& TheForms();

class ScopedDialogServices {
 public:
  explicit ScopedDialogServices(DialogServices s) : saved_(GetDialogServices()) {
    GetDialogServices() = s;
  }
  ~ScopedDialogServices() { GetDialogServices() = saved_; }
  ScopedDialogServices(const ScopedDialogServices&) = delete;
  ScopedDialogServices& operator=(const ScopedDialogServices&) = delete;

 private:
  DialogServices saved_;
};

// A message box of the dialogs: no icon, the default title, brought to the
// foreground or topmost when g_TopMost is set. `buttons` is mb::kOkOnly or
// mb::kOkCancel; returns the button pressed.
int DialogMessage(std::string_view text, int buttons);

// The help file beside the add-in library, opened through the shell.
std::string HelpFilePath();
void OpenHelp();

// The caller's modal calls of the schedule commands (g_EditProps, g_DialogOK,
// g_TopMost and the owner rectangle set first). Each returns when the last
// dialog of the chain has closed: the send-time dialog may hand over to the
// recurrence dialog and back ("Recurrence...", "Remove Recurrence").
void ShowSendTimeDialog();
void ShowRecurrenceDialog();
// From either scheduling dialog, on the same record; leaves g_DialogOK alone.
void ShowAttachmentsDialog();
void ShowAboutBox();

// Where a dialog of the given size goes when centred on the owner rectangle
// (g_OwnerLeft ... g_OwnerHeight), kept on the primary screen.
struct TwipPoint {
  double left = 0;
  double top = 0;
};
TwipPoint CenterOnOwner(TwipSize dialog, TwipSize screen);

}  // namespace velmora
