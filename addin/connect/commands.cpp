// The schedule command of a mail window and the options command of the
// explorer's menu. Both hold the main timer off while their dialog is open,
// so that no sending pass moves or sends a mail the user is editing, and both
// give it back on every way out.
#include <cmath>
#include <string>
#include <vector>

#include "addin/connect/buttons.h"
#include "addin/connect/timer_form.h"
#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/folder.h"
#include "addin/store/globals.h"
#include "addin/store/sending.h"
#include "addin/store/special.h"
#include "addin/store/versions.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/text.h"
#include "common/trap.h"
#include "common/winreg.h"

namespace velmora {

namespace {

// The main timer off for the length of a command; back on (one second, so a
// pass soon catches up) when it was on before, however the command ends.
class MainTimerHold {
 public:
  MainTimerHold() {
    auto& timer = TheTimerForm().ctlTimer();
    wasOn_ = timer.Enabled();
    timer.SetEnabled(false);
  }
  ~MainTimerHold() {
    if (!wasOn_) return;
    Ignore([] {
      auto& timer = TheTimerForm().ctlTimer();
      timer.SetInterval(1000);
      timer.SetEnabled(true);
    });
  }
  MainTimerHold(const MainTimerHold&) = delete;
  MainTimerHold& operator=(const MainTimerHold&) = delete;

 private:
  bool wasOn_ = false;
};

// The record under edit goes with the command, however it ends.
struct EditPropsRelease {
  ~EditPropsRelease() { g_EditProps.reset(); }
};

std::int32_t Twips(int pixels, double twipsPerPixel) {
  return static_cast<std::int32_t>(std::lround(pixels * twipsPerPixel));
}

template <class Window>
void SetOwnerRect(Window& window, DialogPort& dialogs) {
  const double x = dialogs.TwipsPerPixelX();
  const double y = dialogs.TwipsPerPixelY();
  g_OwnerLeft = Twips(window.Left(), x);
  g_OwnerTop = Twips(window.Top(), y);
  g_OwnerWidth = Twips(window.Width(), x);
  g_OwnerHeight = Twips(window.Height(), y);
}

// Whether the user asked the host to check spelling before sending.
bool SpellingCheckWanted() {
  CWinReg reg;
  const std::string key =
      "Software\\Microsoft\\Office\\" + GetOutlookMajorVersion() + ".0\\Outlook\\Options\\Spelling";
  if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER, key)) return false;
  return reg.GetNumber("Check") != 0;
}

// Runs the host's spelling check on the window; its outcome never stops the
// command.
void RunSpellingCheck(host::Inspector& inspector) {
  auto bars = NeedPtr(inspector.CommandBars());
  auto control = bars->FindControl({.id = 2});
  if (!control) control = bars->FindControl({.id = 2566});
  if (!control) {
    g_debug().OutCustomError("VelmoraClick", kNoSpellingControl);
    return;
  }
  try {
    control->Execute();
  } catch (...) {
    LogCurrentError("VelmoraClick.ExecuteSpellCheck");
  }
}

// Whether the mail already lies in the scheduled-mail folder. The name alone
// would also take a same-named folder elsewhere, whose mails would then never
// be sent; the path settles it.
bool InVelmoraFolder(const host::MailItemPtr& mail) {
  auto parent = mail->Parent();
  if (!parent || parent->Name() != Main::kVelmoraFolderName) return false;
  auto velmora = Main::GetVelmoraFolder(false);
  return velmora && parent->FolderPath() == velmora->FolderPath();
}

}  // namespace

void ConnectButtons::VelmoraClick(bool bTopMost) {
  EditPropsRelease release;
  try {
    g_debug().Out("->VelmoraClick");
    g_TopMost = bTopMost;
    MainTimerHold hold;
    try {
      RunScheduleCommand();
    } catch (...) {
      // Logged while the timer is still held, put back right after.
      LogCurrentError("Connect.VelmoraClick");
    }
  } catch (...) {
    LogCurrentError("Connect.VelmoraClick");
  }
}

void ConnectButtons::RunScheduleCommand() {
  auto inspector = NeedPtr(NeedPtr(Need(g_Connect).m_app)->ActiveInspector());
  auto mail = NeedPtr(inspector->CurrentItem());

  if (SpellingCheckWanted() && !inspector->IsWordMail()) RunSpellingCheck(*inspector);

  // The check has told the user why not; the window stays as it was.
  if (!Main::CheckRecipients(mail)) return;

  g_EditProps = std::make_shared<CMailProps>();
  g_EditProps->ReadProps(mail);
  g_DialogOK = false;
  SetOwnerRect(*inspector, dialogs_);
  const auto record = g_EditProps;  // the dialog works on the shared one
  if (record->m_IsRecurring)
    dialogs_.ShowRecurrence();
  else
    dialogs_.ShowOnce();
  if (!g_DialogOK) return;

  record->SetFirstOccurrence();
  record->WriteProps(mail);
  // Read before the move: the host may not answer through the old reference.
  std::string subject;
  Ignore([&] { subject = mail->Subject(); });
  if (InVelmoraFolder(mail)) {
    inspector->Close(host::ol::kSave);
  } else if (Need(g_Connect).m_NoExplorer) {
    // Nothing can be moved without an explorer: the attach moves it later.
    mSpecial::SpecialAdd(mail);
    inspector->Close(host::ol::kSave);
  } else {
    inspector->Close(host::ol::kSave);
    mail->Move(NeedPtr(Main::GetVelmoraFolder(true)));
  }
  g_debug().Out("Add new Velmora mail(", subject, ")");
}

bool ConnectButtons::EditVelmoraProps(const std::shared_ptr<CMailProps>& record,
                                      const host::ExplorerPtr& owner) {
  EditPropsRelease release;
  return TrapOr("Connect.VelmoraPropsEdit", false, [&] {
    g_debug().Out("->EditVelmoraProps");
    g_EditProps = NeedPtr(record);
    g_DialogOK = false;
    g_TopMost = false;
    SetOwnerRect(Need(owner), dialogs_);
    if (record->m_IsRecurring)
      dialogs_.ShowRecurrence();
    else
      dialogs_.ShowOnce();
    if (g_DialogOK) record->SetFirstOccurrence();
    return g_DialogOK;
  });
}

void ConnectButtons::ApplyVelmoraProps(const host::MailItemPtr& mail, CMailProps& record) {
  Ignore([&] {
    bool move = true;
    Ignore([&] {
      const std::string here = Need(Need(mail).Parent()).FolderPath();
      move = here != Need(Main::GetVelmoraFolder(true)).FolderPath();
    });
    record.WriteProps(mail);
    Need(mail).Save();
    if (move) mail->Move(NeedPtr(Main::GetVelmoraFolder(true)));
  });
}

void ConnectButtons::m_btnOptions_Click() {
  try {
    auto app = NeedPtr(Need(g_Connect).m_app);
    auto explorer = app->ActiveExplorer();
    if (!explorer) return;
    const std::string velmoraPath = Main::GetFolderPath(Main::GetVelmoraFolder(false));
    if (velmoraPath.empty() ||
        !EqualsNoCase(Main::GetFolderPath(explorer->CurrentFolder()), velmoraPath)) {
      // The first use only brings the folder into view.
      explorer->SetCurrentFolder(NeedPtr(Main::GetVelmoraFolder(true)));
      return;
    }
    MainTimerHold hold;
    try {
      RunOptionsCommand(*app);
    } catch (...) {
      LogCurrentError("m_btnOptions_Click");
    }
  } catch (...) {
    LogCurrentError("m_btnOptions_Click");
  }
}

void ConnectButtons::RunOptionsCommand(host::Application& app) {
  // Collected first: editing a mail may move it in the host's lists.
  auto selection = NeedPtr(NeedPtr(app.ActiveExplorer())->Selection());
  std::vector<host::MailItemPtr> mails;
  const int count = selection->Count();
  for (int i = 1; i <= count; ++i) {
    auto item = selection->Item(i);
    if (item && item->Class() == host::ol::kClassMail) mails.push_back(std::move(item));
  }
  if (mails.empty()) return;

  if (mails.size() == 1) {
    auto record = std::make_shared<CMailProps>();
    record->ReadProps(mails.front());
    if (EditVelmoraProps(record, app.ActiveExplorer())) ApplyVelmoraProps(mails.front(), *record);
    return;
  }

  switch (TheMessageBox().Show(kMultiSelectionQuestion, mb::kYesNoCancel | mb::kSetForeground)) {
    case mb::kYes:
      // Each mail in its own dialog; a cancelled one skips only that mail.
      for (const auto& mail : mails) {
        auto record = std::make_shared<CMailProps>();
        record->ReadProps(mail);
        if (EditVelmoraProps(record, app.ActiveExplorer())) ApplyVelmoraProps(mail, *record);
      }
      break;
    case mb::kNo: {
      auto record = std::make_shared<CMailProps>();
      record->Init();
      if (EditVelmoraProps(record, app.ActiveExplorer()))
        for (const auto& mail : mails)
          ApplyVelmoraProps(mail, *record);
      break;
    }
    default:
      break;
  }
}

}  // namespace velmora
