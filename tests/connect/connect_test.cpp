// The add-in's lifecycle and timers on the standalone host with fake timers:
// attaching, the send-and-exit handshake, the minute-aligned pass, the exit
// path, and letting go of the host.
#include <gtest/gtest.h>

#include "addin/connect/connect.h"
#include "addin/connect/timer_form.h"
#include "addin/store/globals.h"
#include "addin/store/sync_obj.h"
#include "integration/engine_fixture.h"
#include "support/captured_log.h"

namespace velmora::test {
namespace {

// Records the call points where buttons and menu entries join the lifecycle.
class RecordingUi final : public ConnectUi {
 public:
  void AddAboutMenu(Connect&, const host::ExplorerPtr& e) override { menus.push_back(e); }
  void NewInspector(Connect&, const host::InspectorPtr& i) override { inspectors.push_back(i); }
  void ReleaseButtons(Connect&) override { ++releases; }
  std::vector<host::ExplorerPtr> menus;
  std::vector<host::InspectorPtr> inspectors;
  int releases = 0;
};

class Lifecycle : public EngineTest {
 protected:
  ~Lifecycle() override {
    addin.reset();
    UnloadTimerForm();
  }
  void Connect() {
    addin->OnConnection(app, 1, mail->RegisterAddIn("Velmora.Connect", "Velmora"));
    addin->OnStartupComplete();
  }
  void ConnectWithExplorer() {
    explorer = mail->OpenExplorer();
    Connect();
  }
  // The value's text, or "<missing>" when the value does not exist.
  std::string SendAndExit() {
    CWinReg reg;
    if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER, kSettingsKey)) return "<missing>";
    for (std::uint32_t i = 0;; ++i) {
      const std::string name = reg.Values(i);
      if (name.empty()) return "<missing>";
      if (name == kValueSendAndExit) return reg.GetString(kValueSendAndExit);
    }
  }
  Timer& Main() { return TheTimerForm().ctlTimer(); }
  Timer& InspectorTimer() { return TheTimerForm().ctlInspectorTimer(); }
  Timer& ExitTimer() { return TheTimerForm().tmrExit(); }

  RecordingUi ui;
  std::unique_ptr<velmora::Connect> addin = std::make_unique<velmora::Connect>(&ui);
  std::shared_ptr<posix::HostExplorer> explorer;
};

TEST_F(Lifecycle, TheTrayLaunchersFlagIsReadAndConsumed) {
  SetRegistryString(kValueSendAndExit, "1");
  ConnectWithExplorer();
  EXPECT_TRUE(addin->m_bSendAndExit);
  EXPECT_EQ(SendAndExit(), "");
  EXPECT_EQ(g_Connect, addin.get());

  // A start by the user finds the flag empty, and leaves it present.
  addin.reset();
  UnloadTimerForm();
  addin = std::make_unique<velmora::Connect>(&ui);
  ConnectWithExplorer();
  EXPECT_FALSE(addin->m_bSendAndExit);
  EXPECT_EQ(SendAndExit(), "");
}

TEST_F(Lifecycle, PassesFallOnTheMinuteASecondAfterTheAttachAndAFailingOneRearmsForAMinute) {
  clock.Set(At(2026, 12, 7, 9, 0, 44));
  ScheduleOnce("Soon", At(2026, 12, 7, 9, 2, 0));
  ConnectWithExplorer();
  EXPECT_EQ(Main().Interval(), 1000);
  timers.Advance(1000);  // 9:00:45
  EXPECT_EQ(Main().Interval(), 15000);
  timers.Advance(15000);  // 9:01:00
  EXPECT_EQ(Main().Interval(), 60000);
  EXPECT_TRUE(wire.Sent().empty());
  clock.Set(At(2026, 12, 7, 9, 1, 59));
  addin->OnTimer();
  EXPECT_EQ(Main().Interval(), 1000) << "a pass at second 59 waits a second";
  timers.Advance(1000);  // 9:02:00
  loop.Drain();
  EXPECT_EQ(SentSubjects(), std::vector<std::string>{"Soon"});
  {
    ScopedServices noClock({nullptr, &us, &registry, &settings, &files, GetServices().logFolder});
    CapturedLog log;
    addin->OnTimer();
  }
  EXPECT_TRUE(Main().Enabled());
  EXPECT_EQ(Main().Interval(), 60000);
}

TEST_F(Lifecycle, ASendAndExitRunWithNothingDueClosesTenSecondsOnAndLetsGoOfEverything) {
  SetRegistryString(kValueSendAndExit, "1");
  ConnectWithExplorer();
  timers.Advance(1000);
  EXPECT_FALSE(addin->SyncObj()->HasObject());
  timers.Advance(9999);
  EXPECT_EQ(app->Explorers()->Count(), 1);
  timers.Advance(1);
  EXPECT_EQ(app->Explorers()->Count(), 0);
  // The last explorer's close let go of everything.
  EXPECT_EQ(g_Connect, nullptr);
  EXPECT_FALSE(addin->m_app);
  EXPECT_FALSE(GetAddinServices().app);
  EXPECT_FALSE(addin->HoldsInspectors());
  EXPECT_FALSE(addin->HoldsExplorer());
  EXPECT_EQ(addin->SyncObj(), nullptr);
  EXPECT_EQ(g_IgnoreList, nullptr);
  EXPECT_FALSE(TimerFormLoaded());
  EXPECT_FALSE(timers.RunNext());
  EXPECT_GE(ui.releases, 1);
  // Disconnection after that finds nothing left to release.
  addin->OnBeginShutdown();
  addin->OnDisconnection(0);
  EXPECT_EQ(g_Connect, nullptr);
}

TEST_F(Lifecycle, ARunTheUserStartedNeverArmsTheExitTimer) {
  ScheduleOnce("Due", clock.Now());
  ConnectWithExplorer();
  for (int i = 0; i < 5; ++i) {
    timers.RunNext();
    loop.Drain();
    EXPECT_FALSE(ExitTimer().Enabled());
  }
  EXPECT_EQ(app->Explorers()->Count(), 1);
  EXPECT_EQ(wire.Sent().size(), 1u);
}

TEST_F(Lifecycle, StartingWithoutAnExplorerSendsNothingUntilOneAttachesOnce) {
  ScheduleOnce("Due", clock.Now());
  Connect();
  EXPECT_TRUE(addin->WaitsForExplorer());
  EXPECT_FALSE(Main().Enabled());
  timers.Advance(5000);
  EXPECT_TRUE(wire.Sent().empty());
  auto first = mail->OpenExplorer();
  EXPECT_FALSE(addin->WaitsForExplorer());
  EXPECT_FALSE(InspectorTimer().Enabled());
  auto second = mail->OpenExplorer();
  EXPECT_EQ(ui.menus.size(), 1u);
  timers.Advance(1000);
  loop.Drain();
  EXPECT_EQ(wire.Sent().size(), 1u);

  // Closing one of the two keeps the add-in sending; closing the remaining
  // one is no longer watched.
  first->Close();
  EXPECT_EQ(g_Connect, addin.get());
  ScheduleOnce("Still sent", clock.Now());
  timers.Advance(60000);
  loop.Drain();
  EXPECT_EQ(wire.Sent().size(), 2u);
  second->Close();
  EXPECT_EQ(g_Connect, addin.get());
}

TEST_F(Lifecycle, TheInspectorWatchHandsEveryOpenWindowOverOnceAndStops) {
  Connect();
  timers.Advance(3000);
  EXPECT_TRUE(ui.inspectors.empty());
  auto draft = Folder(host::ol::kFolderDrafts)->Items()->Add(host::ol::kMailItem);
  draft->Save();
  // Opened before the watch could see it: the event goes to the handler too.
  auto window = mail->OpenInspector(draft);
  const std::size_t byEvent = ui.inspectors.size();
  timers.Advance(1000);
  EXPECT_EQ(ui.inspectors.size(), byEvent + 1);
  EXPECT_FALSE(InspectorTimer().Enabled());
  timers.Advance(5000);
  EXPECT_EQ(ui.inspectors.size(), byEvent + 1);
}

TEST_F(Lifecycle, AFailedConnectionLeavesNothingHalfDone) {
  CapturedLog log;
  addin->OnConnection(nullptr, 1, nullptr);
  addin->OnStartupComplete();
  EXPECT_TRUE(log.Contains("Connect.AddinInstance_OnConnection"));
  EXPECT_FALSE(TimerFormLoaded() && Main().Enabled());
}

}  // namespace
}  // namespace velmora::test
