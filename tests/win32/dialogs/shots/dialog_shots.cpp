// Shows one dialog (or one page of the recurrence dialog) with sample
// content, writes the window's screen rectangle to a file once it is drawn,
// and closes it when a second file appears. scripts/screenshots.sh takes the
// picture in between.
//
//   velmora_dialog_shots once|daily|weekly|monthly|yearly|attachments|about RECT DONE
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "addin/dialogs/dialog_services.h"
#include "addin/model/ignore_list.h"
#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/calendar.h"
#include "addin/store/globals.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "platform/win32/dialogs/dialog_host_win32.h"
#include "platform/win32/dialogs/dialog_ids.h"
#include "platform/win32/dialogs/dialog_view.h"
#include "support/dialog_fakes.h"
#include "support/scripted_message_box.h"

namespace {

using namespace velmora;

// Runs the message loop for a while, so the window is drawn.
void Settle(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
    ::Sleep(20);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: velmora_dialog_shots WHICH RECT_FILE DONE_FILE\n");
    return 2;
  }
  const std::string which = argv[1];
  const std::filesystem::path rectFile = argv[2];
  const std::filesystem::path doneFile = argv[3];

  PictureLocale locale;
  ScopedServices services{Services{.locale = &locale}};
  test::ScriptedMessageBox box;  // answers OK
  test::RecordingShell shell;
  ScopedAddinServices addin{AddinServices{.messageBox = &box, .shell = &shell}};
  win32::Win32DialogHost host{nullptr};
  ScopedDialogServices dialogs{DialogServices{.screen = &host, .pickers = &host, .forms = &host}};
  ScopedFirstDOW firstDow{1};

  g_EditProps = std::make_shared<CMailProps>();
  g_EditProps->m_ScheduleTime = DateTime::FromParts(2026, 12, 7, 9, 30);
  g_EditProps->m_collAttachments = {"C:\\Reports\\weekly.xlsx", "C:\\Scans\\",
                                    "D:/Shared/minutes.docx"};
  g_IgnoreList = std::make_unique<CIgnoreList>();
  g_IgnoreList->FromString("thumbs.db, desktop.ini");
  // The owner is the whole screen: the dialogs come up in its middle.
  const TwipSize screen = host.PrimaryScreen();
  g_OwnerLeft = 0;
  g_OwnerTop = 0;
  g_OwnerWidth = static_cast<std::int32_t>(screen.width);
  g_OwnerHeight = static_cast<std::int32_t>(screen.height);

  // Each name: the dialog to show, and the pattern page to click to.
  const std::map<std::string, std::pair<void (*)(), int>> shots{
      {"once", {&ShowSendTimeDialog, 0}},
      {"attachments", {&ShowAttachmentsDialog, 0}},
      {"about", {&ShowAboutBox, 0}},
      {"daily", {&ShowRecurrenceDialog, IDC_REC_OPTDAILY}},
      {"weekly", {&ShowRecurrenceDialog, IDC_REC_OPTWEEKLY}},
      {"monthly", {&ShowRecurrenceDialog, IDC_REC_OPTMONTHLY}},
      {"yearly", {&ShowRecurrenceDialog, IDC_REC_OPTYEARLY}}};
  if (!shots.contains(which)) {
    std::fprintf(stderr, "unknown dialog: %s\n", which.c_str());
    return 2;
  }
  const int pageOption = shots.at(which).second;

  win32::SetDialogObserver([&](int, HWND dlg) {
    if (pageOption) ::SendMessageW(::GetDlgItem(dlg, pageOption), BM_CLICK, 0, 0);
    if (which == "attachments") {
      LVITEMW item{.state = LVIS_SELECTED, .stateMask = LVIS_SELECTED};
      ::SendMessageW(::GetDlgItem(dlg, IDC_ATT_LVFILES), LVM_SETITEMSTATE, 1,
                     reinterpret_cast<LPARAM>(&item));
    }
    ::RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle(800);
    RECT r{};
    ::GetWindowRect(dlg, &r);
    std::ofstream(rectFile) << (r.right - r.left) << "x" << (r.bottom - r.top) << "+" << r.left
                            << "+" << r.top << "\n";
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(doneFile) && std::chrono::steady_clock::now() < end)
      Settle(50);
    ::PostMessageW(dlg, WM_CLOSE, 0, 0);
  });

  shots.at(which).first();
  win32::SetDialogObserver(nullptr);
  return std::filesystem::exists(rectFile) ? 0 : 1;
}
