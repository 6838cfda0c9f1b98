#include "addin/dialogs/dialog_services.h"

#include "addin/dialogs/frm_attachments.h"
#include "addin/dialogs/frm_once.h"
#include "addin/dialogs/frm_recurrence.h"
#include "addin/store/addin_services.h"
#include "addin/store/globals.h"
#include "addin/support/about.h"
#include "common/host_error.h"
#include "common/services.h"

namespace velmora {

DialogServices& GetDialogServices() noexcept {
  static DialogServices services;
  return services;
}

ScreenPort& TheScreen() {
  return NeedPort(GetDialogServices().screen, "screen");
}
FileDialogPort& ThePickers() {
  return NeedPort(GetDialogServices().pickers, "file dialogs");
}
FormHost& TheForms() {
  return NeedPort(GetDialogServices().forms, "forms");
}

int DialogMessage(std::string_view text, int buttons) {
  return TheMessageBox().Show(text, buttons | (g_TopMost ? mb::kTopMost : mb::kSetForeground));
}

std::string HelpFilePath() {
  // UTF-8 whatever the code page: a folder name outside it must not throw.
  const std::u8string folder = GetServices().logFolder.u8string();
  return std::string(folder.begin(), folder.end()) + "\\" + "Help.chm";
}

void OpenHelp() {
  // Fire and forget: a missing help file or viewer is the shell's to report.
  TheShell().Open(HelpFilePath());
}

void ShowSendTimeDialog() {
  bool recurrence = false;
  // The two dialogs hand over to each other until one of them closes for good.
  for (;;) {
    if (recurrence) {
      frmRecurrence form;
      TheForms().ShowModal(form);
      if (form.State().outcome != RecurrenceOutcome::RemoveRecurrence) return;
    } else {
      frmOnce form;
      TheForms().ShowModal(form);
      if (form.State().outcome != OnceOutcome::Recurrence) return;
    }
    recurrence = !recurrence;
  }
}

void ShowRecurrenceDialog() {
  frmRecurrence form;
  TheForms().ShowModal(form);
  if (form.State().outcome == RecurrenceOutcome::RemoveRecurrence) ShowSendTimeDialog();
}

void ShowAttachmentsDialog() {
  frmAttachments form;
  TheForms().ShowModal(form);
}

void ShowAboutBox() {
  frmAbout form;
  TheForms().ShowModal(form);
  if (form.BugReportRequested() && g_SendBugReport) g_SendBugReport();
}

TwipPoint CenterOnOwner(TwipSize dialog, TwipSize screen) {
  TwipPoint p;
  p.left = g_OwnerLeft + (g_OwnerWidth - dialog.width) / 2;
  p.top = g_OwnerTop + (g_OwnerHeight - dialog.height) / 2;
  if (p.left + dialog.width > screen.width) p.left = screen.width - dialog.width;
  if (p.left < 0) p.left = 0;
  if (p.top + dialog.height > screen.height) p.top = screen.height - dialog.height;
  if (p.top < 0) p.top = 0;
  return p;
}

}  // namespace velmora
