#include "addin/connect/connect.h"

#include "addin/connect/timer_form.h"
#include "addin/model/ignore_list.h"
#include "addin/store/addin_services.h"
#include "addin/store/folder.h"
#include "addin/store/globals.h"
#include "addin/store/sending.h"
#include "addin/store/special.h"
#include "addin/store/sync_obj.h"
#include "addin/store/versions.h"
#include "common/debug.h"
#include "common/host_error.h"
#include "common/services.h"
#include "common/trap.h"
#include "common/winreg.h"

namespace velmora {

Connect* g_Connect = nullptr;

Connect::Connect(ConnectUi* ui) : ui_(ui) {}

Connect::~Connect() {
  Terminate();
}

void Connect::OnConnection(host::ApplicationPtr Application, int, host::COMAddInPtr AddInInst) {
  try {
    g_debug().Out("->OnConnection");
    // Automation clients of the host reach this object through its add-in entry.
    if (AddInInst) AddInInst->SetObject(this);
    m_SyncObj = std::make_unique<CSyncObj>();
    m_SyncObjSyncEnd = m_SyncObj->OnSyncEnd([this] { OnSyncEnd(); });
    g_Connect = this;
    m_app = std::move(Application);
    GetAddinServices().app = m_app;
    m_appItemSend = Need(m_app).OnItemSend(
        [this](host::MailItemPtr item, bool&) { OnItemSend(std::move(item)); });
    g_IgnoreList = std::make_unique<CIgnoreList>();
    g_IgnoreList->Load();
    GetOutlookVersion();
  } catch (...) {
    LogCurrentError("Connect.AddinInstance_OnConnection");
  }
}

void Connect::OnStartupComplete() {
  try {
    g_debug().Out("->OnStartupComplete");
    m_Inspectors = Need(m_app).Inspectors();
    m_InspectorsNewInspector = Need(m_Inspectors).OnNewInspector([this](host::InspectorPtr i) {
      Firewall("Connect.m_Inspectors_NewInspector", [&] {
        if (ui_) ui_->NewInspector(*this, i);
      });
    });
    if (Need(m_app->Explorers()).Count() != 0) {
      AttachExplorer(m_app->ActiveExplorer());
    } else {
      m_Explorers = m_app->Explorers();
      m_ExplorersNewExplorer = m_Explorers->OnNewExplorer([this](host::ExplorerPtr e) {
        Firewall("Connect.m_Explorers_NewExplorer", [&] { OnNewExplorer(std::move(e)); });
      });
      g_debug().Out("m_NoExplorer = True");
      m_NoExplorer = true;
      // No sending while no explorer is attached: only the inspector watch runs.
      auto& form = TheTimerForm();
      form.ctlInspectorTimer().SetInterval(1000);
      form.ctlInspectorTimer().SetEnabled(true);
    }
  } catch (...) {
    LogCurrentError("AddinInstance_OnStartupComplete");
  }
}

void Connect::AttachExplorer(host::ExplorerPtr explorer) {
  // Each step goes on after a failure of the one before.
  Ignore([&] {
    CWinReg reg;
    if (reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, kSettingsKey, true)) {
      m_bSendAndExit = !reg.GetString(kValueSendAndExit).empty();
      // Consumed: a later start by the user is an ordinary one.
      reg.SetString(kValueSendAndExit, "");
    }
  });
  m_NoExplorer = false;
  Ignore([&] {
    m_ExplorerClose.reset();
    m_Explorer = std::move(explorer);
    m_ExplorerClose = Need(m_Explorer).OnClose([this] {
      Firewall("Connect.m_Explorer_Close", [this] { OnExplorerClose(); });
    });
  });
  Ignore([&] {
    m_ExplorersNewExplorer.reset();
    m_Explorers.reset();
  });
  Ignore([] { mSpecial::SpecialDo(); });
  Ignore([&] {
    if (ui_) ui_->AddAboutMenu(*this, m_Explorer);
  });
  Ignore([&] { Main::AddShortcutFolder(m_Explorer, Main::GetVelmoraFolder(true)); });
  Ignore([] {
    auto& form = TheTimerForm();
    form.ctlInspectorTimer().SetEnabled(false);
    form.ctlTimer().SetInterval(1000);
    form.ctlTimer().SetEnabled(true);
  });
}

void Connect::OnNewExplorer(host::ExplorerPtr explorer) {
  if (m_NoExplorer) AttachExplorer(std::move(explorer));
}

void Connect::OnExplorerClose() {
  int count = 0;
  Ignore([&] { count = Need(Need(m_app).Explorers()).Count(); });
  g_debug().Out("->On Explorer.Close (m_app.Explorers.Count = ", count, ")");
  if (count == 0) {
    CloseHandlers();
  } else {
    // Other explorers stay open: run on without watching them close.
    m_ExplorerClose.reset();
    m_Explorer.reset();
  }
}

void Connect::CloseHandlers() {
  Ignore([] { g_debug().Out("->CloseHandlers"); });
  Ignore([] {
    if (TimerFormLoaded()) TheTimerForm().KillTimers();
  });
  Ignore([] { UnloadTimerForm(); });
  Ignore([&] {
    m_SyncObjSyncEnd.reset();
    m_SyncObj.reset();
  });
  Ignore([] { g_IgnoreList.reset(); });
  Ignore([&] {
    m_ExplorerClose.reset();
    m_Explorer.reset();
  });
  Ignore([&] {
    m_ExplorersNewExplorer.reset();
    m_Explorers.reset();
  });
  Ignore([&] {
    m_InspectorsNewInspector.reset();
    m_Inspectors.reset();
  });
  Ignore([&] {
    m_appItemSend.reset();
    m_app.reset();
    GetAddinServices().app.reset();
  });
  Ignore([&] {
    if (g_Connect == this) g_Connect = nullptr;
  });
  Ignore([&] {
    if (ui_) ui_->ReleaseButtons(*this);
  });
}

void Connect::OnBeginShutdown() {
  Ignore([] { g_debug().Out("->OnBeginShutdown"); });
}

void Connect::OnDisconnection(int) {
  Ignore([] { g_debug().Out("->OnDisconnection"); });
  CloseHandlers();
  ReleaseDebug();
}

void Connect::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  Ignore([] { g_debug().Out("AddinInstance_Terminate"); });
  Ignore([] {
    if (TimerFormLoaded()) TheTimerForm().ctlTimer().SetEnabled(false);
  });
  Ignore([] { UnloadTimerForm(); });
  Ignore([&] {
    if (ui_) ui_->ReleaseButtons(*this);
  });
  Ignore([&] {
    m_InspectorsNewInspector.reset();
    m_Inspectors.reset();
  });
  Ignore([&] {
    m_appItemSend.reset();
    m_app.reset();
    if (g_Connect == this) GetAddinServices().app.reset();
  });
  Ignore([&] {
    if (g_Connect == this) g_Connect = nullptr;
  });
  ReleaseDebug();
}

void Connect::OnItemSend(host::MailItemPtr item) {
  // The host's own Send goes out at once, whatever the mail carries.
  Ignore([&] { g_debug().Out("olApp.ItemSend(", Need(item).Subject(), ")"); });
}

bool Connect::SendAll() {
  Ignore([] {
    TheMessageBox().Show("SendAll", mb::kOkOnly | (g_TopMost ? mb::kTopMost : mb::kSetForeground));
  });
  return true;
}

void Connect::OnTimer() {
  try {
    auto& ctl = TheTimerForm().ctlTimer();
    ctl.SetEnabled(false);
    const DateTime t0 = Now();
    Main::OnTimer1(m_SyncObj.get(), m_bSendAndExit);
    int interval = (60 - t0.Second()) * 1000;
    if (interval <= 0) interval = 1000;
    // The pass may have closed the host (nothing to re-arm then).
    if (!TimerFormLoaded()) return;
    ctl.SetInterval(interval);
    ctl.SetEnabled(true);
    if (m_bSendAndExit) {
      if (m_SyncObj && m_SyncObj->HasObject()) {
        // The send/receive the pass started ends the run through SyncEnd.
        ctl.SetEnabled(false);
      } else {
        auto& exitTimer = TheTimerForm().tmrExit();
        exitTimer.SetInterval(10000);
        exitTimer.SetEnabled(true);
      }
    }
  } catch (...) {
    LogCurrentError("Connect.OnTimer");
    Ignore([] {
      if (!TimerFormLoaded()) return;
      auto& ctl = TheTimerForm().ctlTimer();
      ctl.SetInterval(60000);
      ctl.SetEnabled(true);
    });
  }
}

void Connect::OnInspectorTimer() {
  Ignore([&] {
    auto& form = TheTimerForm();
    if (!m_NoExplorer) {
      form.ctlInspectorTimer().SetEnabled(false);
      return;
    }
    g_debug().Out("->OnInspectorTimer");
    auto inspectors = Need(m_app).Inspectors();
    Need(inspectors);
    const int n = inspectors->Count();
    if (n < 1) return;
    form.ctlInspectorTimer().SetEnabled(false);
    g_debug().Out("NewInspector.Detected");
    // A window opened before the add-in connected raised no event of its own.
    for (int i = 1; i <= n; ++i)
      Firewall("Connect.m_Inspectors_NewInspector", [&] {
        if (ui_) ui_->NewInspector(*this, inspectors->Item(i));
      });
  });
}

void Connect::CloseActiveExplorer() {
  auto explorer = Need(m_app).ActiveExplorer();
  Need(explorer).Close();
}

void Connect::OnExitTimer() {
  Ignore([] { TheTimerForm().tmrExit().SetEnabled(false); });
  Ignore([&] { CloseActiveExplorer(); });
}

void Connect::OnSyncEnd() {
  Ignore([&] { CloseActiveExplorer(); });
}

}  // namespace velmora
