#include "platform/win32/dialogs/dialog_host_win32.h"

#include <string>

#include "common/trap.h"
#include "platform/win32/dialogs/about_view.h"
#include "platform/win32/dialogs/attachments_view.h"
#include "platform/win32/dialogs/file_dialogs_win32.h"
#include "platform/win32/dialogs/once_view.h"
#include "platform/win32/dialogs/recurrence_view.h"

namespace velmora::win32 {

HWND Win32DialogHost::Owner() const noexcept {
  const HWND top = DialogView::TopDialog();
  return top ? top : owner_;
}

void Win32DialogHost::ShowModal(frmOnce& form) {
  OnceView view(form);
  view.Run(Owner());
}

void Win32DialogHost::ShowModal(frmRecurrence& form) {
  RecurrenceView view(form);
  view.Run(Owner());
}

void Win32DialogHost::ShowModal(frmAttachments& form) {
  AttachmentsView view(form);
  view.Run(Owner());
}

void Win32DialogHost::ShowModal(frmAbout& form) {
  AboutView view(form);
  view.Run(Owner());
}

std::string Win32DialogHost::OpenFileDialog() {
  return OpenFileDialogW32(Owner());
}

std::string Win32DialogHost::OpenFolderDialog() {
  return OpenFolderDialogW32(Owner());
}

TwipSize Win32DialogHost::PrimaryScreen() {
  TwipSize size;
  DialogView::ScreenSizeTwips(size.width, size.height);
  return size;
}

bool DialogShell::Open(std::string_view fileOrAddress) {
  ShellOpenFile(DialogView::TopDialog(), std::string(fileOrAddress));
  return true;
}

namespace {
template <class F>
void WithHost(HWND owner, const char* where, F&& show) noexcept {
  Firewall(where, [&] {
    Win32DialogHost host(owner);
    const ScopedDialogServices services(host.Services());
    show();
  });
}
}  // namespace

void ShowSendTimeDialog(HWND owner) noexcept {
  WithHost(owner, "Main.ShowSendTimeDialog", [] { velmora::ShowSendTimeDialog(); });
}

void ShowRecurrenceDialog(HWND owner) noexcept {
  WithHost(owner, "Main.ShowRecurrenceDialog", [] { velmora::ShowRecurrenceDialog(); });
}

void ShowAboutBox(HWND owner) noexcept {
  WithHost(owner, "Main.ShowAboutBox", [] { velmora::ShowAboutBox(); });
}

}  // namespace velmora::win32
