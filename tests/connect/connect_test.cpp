// The add-in on the in-memory host with fake timers, the dialogs played by a
// script: attaching, the send-and-exit handshake, the minute-aligned pass,
// the exit path and letting go of the host; the schedule button on mail
// windows being written (after Send, or on the add-in's own bar) and none on
// other windows; the schedule and options commands: where the mail ends, what
// it carries, and the main timer held off for the whole command and given
// back on every way out.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "addin/connect/buttons.h"
#include "addin/connect/connect.h"
#include "addin/connect/timer_form.h"
#include "addin/store/globals.h"
#include "addin/store/sending.h"
#include "addin/store/special.h"
#include "addin/store/sync_obj.h"
#include "integration/engine_fixture.h"
#include "support/captured_log.h"
#include "support/scripted_dialogs.h"

namespace velmora::test {
namespace {

class Commands : public EngineTest {
 protected:
  ~Commands() override {
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
  // A mail being written, saved in Drafts, in a window of its own.
  std::shared_ptr<posix::HostInspector> Compose(const std::string& subject,
                                                posix::InspectorOptions options = {},
                                                const std::string& to = "ann@example.com") {
    auto item = app->CreateItem(host::ol::kMailItem);
    item->SetSubject(subject);
    item->SetTo(to);
    item->SetBody("Body of " + subject);
    item->Save();
    return mail->OpenInspector(item, options);
  }
  host::CommandBarControlPtr Tagged(const std::shared_ptr<posix::HostInspector>& window,
                                    std::string_view tag) {
    return window->CommandBars()->FindControl({.tag = std::string(tag)});
  }
  // The user presses the window's schedule button.
  void Press(const std::shared_ptr<posix::HostInspector>& window,
             std::string_view tag = kTagVelmora) {
    auto button = Tagged(window, tag);
    ASSERT_TRUE(button) << "no button tagged " << tag;
    button->Execute();
  }
  Timer& MainTimer() { return TheTimerForm().ctlTimer(); }

  ScriptedDialogs dialogs;
  std::unique_ptr<ConnectUi> ui = MakeConnectUi(dialogs);
  ConnectButtons& buttons = static_cast<ConnectButtons&>(*ui);
  std::unique_ptr<velmora::Connect> addin = std::make_unique<velmora::Connect>(ui.get());
  std::shared_ptr<posix::HostExplorer> explorer;

  // The step records whether the main timer ran while the dialog was open.
  ScriptedDialogs::Step Watching(ScriptedDialogs::Step step) {
    return [this, step](CMailProps& r) {
      timerOnInDialog = timerOnInDialog || MainTimer().Enabled();
      return step(r);
    };
  }
  host::MailItemPtr Reload(const host::MailItemPtr& item) {
    return ns->GetItemFromID(item->EntryID());
  }
  std::string FolderOf(const host::MailItemPtr& item) { return Reload(item)->Parent()->Name(); }
  void ShowVelmoraFolder(std::vector<host::MailItemPtr> selection) {
    explorer->SetCurrentFolder(Velmora());
    explorer->SetSelection(std::move(selection));
  }

  bool timerOnInDialog = false;
  const DateTime t1 = At(2026, 12, 8, 10, 30, 0);
  const DateTime t2 = At(2026, 12, 9, 11, 0, 0);
};

using ButtonsTest = Commands;
using Lifecycle = Commands;

TEST_F(ButtonsTest, WithoutAUsableSendTheButtonGoesOnTheAddInsOwnBarAndOn9NotIntoWordMail) {
  ConnectWithExplorer();
  const posix::InspectorOptions scenes[] = {
      {.editorType = host::ol::kEditorWord, .isWordMail = true},
      {.sendControl = false},
      {.sendVisible = false},
  };
  std::shared_ptr<posix::HostInspector> window;
  for (const auto& options : scenes) {
    window = Compose("Report", options);
    auto bar = window->CommandBars()->Item("Velmora");
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->Visible());
    buttons.m_Inspectors_NewInspector(window);  // handed over again: still one
    ASSERT_EQ(bar->Controls()->Count(), 1);
    EXPECT_EQ(bar->Controls()->Item(1)->Tag(), kTagVelmora2);
    EXPECT_EQ(bar->Controls()->Item(1)->Caption(), "Velmora");
    EXPECT_FALSE(Tagged(window, kTagVelmora));
  }
  // The second button keeps its dialogs on top.
  dialogs.script.push_back(ScriptedDialogs::Cancel());
  Press(window, kTagVelmora2);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_TRUE(dialogs.shown[0].topMost);

  // Word mail on the oldest host gets neither (read mails neither: the
  // Windows add-in session); its own editor still gets the one after Send.
  mail->SetVersion("9.0.0.2711");
  GetOutlookVersion();
  auto word = Compose("Word on 9.0", {.editorType = host::ol::kEditorWord, .isWordMail = true});
  EXPECT_FALSE(Tagged(word, kTagVelmora));
  EXPECT_FALSE(Tagged(word, kTagVelmora2));
  EXPECT_TRUE(Tagged(Compose("Plain on 9.0"), kTagVelmora));
}

// (A new mail sent to the folder by its button: the Windows add-in session.)
TEST_F(Commands,
       AMailFromTheFolderKeepsItsPlaceARecurringOneOpensItsOwnDialogAndALookalikeFoldersMoves) {
  ConnectWithExplorer();
  auto item = ScheduleOnce("Report", t1);
  dialogs.script.push_back(ScriptedDialogs::AcceptAt(t2));
  Press(mail->OpenInspector(item));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  const auto& shown = dialogs.shown[0];
  EXPECT_EQ(shown.dialog, "once");
  EXPECT_FALSE(shown.topMost);
  EXPECT_EQ(shown.record.m_ScheduleTime, t1) << "filled from the mail";
  // Over the window's 120, 90, 760 x 560 pixels at 15 twips across and 12 down.
  EXPECT_EQ((std::array{shown.left, shown.top, shown.width, shown.height}),
            (std::array{1800, 1080, 11400, 6720}));
  EXPECT_EQ(FolderOf(item), "Velmora");
  EXPECT_EQ(ScheduleOf(Reload(item)), t2);
  EXPECT_FALSE(g_EditProps);
  EXPECT_EQ(MainTimer().Interval(), 1000);

  auto daily = Schedule("Daily", Daily(At(2026, 12, 8, 8, 0, 0)));
  dialogs.script.push_back([](CMailProps&) { return true; });
  Press(mail->OpenInspector(daily));
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].dialog, "recurrence");
  EXPECT_EQ(CountIn(Velmora()), 2);

  // A user folder bearing the folder's name is not the folder: a mail left
  // there would never be sent.
  auto lookalike = Folder(host::ol::kFolderInbox)->Folders()->Add("Velmora", 16);
  auto stray = lookalike->Items()->Add(host::ol::kMailItem);
  stray->SetTo("ann@example.com");
  stray->Save();
  dialogs.script.push_back(ScriptedDialogs::AcceptAt(t1));
  Press(mail->OpenInspector(stray));
  EXPECT_EQ(Main::GetFolderPath(Reload(stray)->Parent()), Main::GetFolderPath(Velmora()));
  EXPECT_EQ(CountIn(lookalike), 0);
}

TEST_F(Commands, CancelOrARefusedRecipientCheckLeavesTheMailAsItWas) {
  ConnectWithExplorer();
  auto window = Compose("Draft");
  auto item = window->CurrentItem();
  dialogs.script.push_back(ScriptedDialogs::Cancel());
  Press(window);
  EXPECT_FALSE(window->Closed());
  EXPECT_EQ(FolderOf(item), "Drafts");
  EXPECT_FALSE(ScheduleOf(Reload(item)));
  EXPECT_TRUE(MainTimer().Enabled());

  auto nobody = Compose("Nobody", {}, "");
  Press(nobody);
  EXPECT_EQ(dialogs.shown.size(), 1u) << "no dialog after the check said no";
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, Main::kNoRecipientsText);
  EXPECT_FALSE(nobody->Closed());
  EXPECT_TRUE(MainTimer().Enabled());
}

TEST_F(Commands, TheSpellingCheckRunsOnlyWhenWantedAndNotForWordMail) {
  ConnectWithExplorer();
  // Wanted, the window's spelling control (0: none), Word mail, and how often it runs.
  struct Case {
    const char* what;
    std::int32_t wanted, id;
    bool wordMail;
    int runs;
  } const cases[] = {{"plain", 1, 2, false, 1},
                     {"other id", 1, 2566, false, 1},
                     {"Word", 1, 2, true, 0},
                     {"not wanted", 0, 2, false, 0},
                     {"none", 1, 0, false, 0}};
  for (const Case& c : cases) {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER,
                                 "Software\\Microsoft\\Office\\16.0\\Outlook\\Options\\Spelling",
                                 true));
    ASSERT_TRUE(reg.SetNumber("Check", c.wanted));
    auto window =
        Compose(c.what, {.editorType = c.wordMail ? host::ol::kEditorWord : host::ol::kEditorHtml,
                         .isWordMail = c.wordMail});
    std::shared_ptr<posix::HostControl> spell;
    if (c.id) spell = window->Bars()->Bar("Standard")->ControlList()->AddBuiltIn(1, c.id, "x");
    CapturedLog log;
    Press(window, c.wordMail ? kTagVelmora2 : kTagVelmora);
    if (spell) {
      EXPECT_EQ(spell->ExecuteCount(), c.runs) << c.what;
    }
  }
  EXPECT_EQ(dialogs.shown.size(), 5u) << "the command goes on in every case";
}

TEST_F(Commands, AFailingCommandGivesTheTimerBackAndAHeldOneStaysOff) {
  ConnectWithExplorer();
  auto window = Compose("Fails");
  CapturedLog log;
  dialogs.failing = true;
  Press(window);
  EXPECT_TRUE(MainTimer().Enabled());
  EXPECT_FALSE(g_EditProps);
  EXPECT_FALSE(window->Closed());
  dialogs.failing = false;
  mail->SetSafeMailAvailable(false);
  Press(window);
  mail->SetSafeMailAvailable(true);
  EXPECT_TRUE(MainTimer().Enabled());
  ShowVelmoraFolder({ScheduleOnce("A", t1), ScheduleOnce("B", t1)});
  {
    ScopedAddinServices noBox({&mail->Objects(), nullptr, &keys, nullptr, &timers, &xml, app});
    buttons.Options()->Execute();
  }
  EXPECT_TRUE(MainTimer().Enabled());
  EXPECT_TRUE(dialogs.shown.empty()) << "each of the three failed before its dialog";

  MainTimer().SetEnabled(false);  // a send-and-exit run waiting for its send/receive
  dialogs.script.push_back(ScriptedDialogs::AcceptAt(t1));
  Press(window);
  EXPECT_TRUE(window->Closed());
  EXPECT_FALSE(MainTimer().Enabled());
}

TEST_F(Commands, OptionsOnOneMailEditsItAndOnSeveralAsksWhetherOneScheduleOrOneEach) {
  ConnectWithExplorer();
  // On another folder it only brings the folder into view.
  auto inboxMail = Folder(host::ol::kFolderInbox)->Items()->Add(host::ol::kMailItem);
  inboxMail->Save();
  explorer->SetSelection({inboxMail});
  buttons.Options()->Execute();
  EXPECT_EQ(Main::GetFolderPath(explorer->CurrentFolder()), Main::GetFolderPath(Velmora()));
  auto a = ScheduleOnce("A", At(2026, 12, 10, 8, 0, 0));
  auto b = ScheduleOnce("B", At(2026, 12, 11, 8, 0, 0));
  auto c = ScheduleOnce("C", At(2026, 12, 12, 8, 0, 0));
  auto contact = Velmora()->Items()->Add(host::ol::kContactItem);
  contact->Save();
  ShowVelmoraFolder({contact, contact});
  buttons.Options()->Execute();
  EXPECT_TRUE(dialogs.shown.empty()) << "no mail among them";
  EXPECT_TRUE(box.shown.empty());
  ShowVelmoraFolder({a});
  dialogs.script.push_back(ScriptedDialogs::AcceptAt(t2));
  buttons.Options()->Execute();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(ScheduleOf(Reload(a)), t2);

  ShowVelmoraFolder({a, contact, b, c});
  box.answers = {mb::kNo};
  dialogs.script.push_back(Watching(ScriptedDialogs::AcceptAt(t1)));
  buttons.Options()->Execute();
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text,
            "Subsequent show Velmora props (yes)\r\nSet Velmora Time to Selected Items(no)");
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].record.m_ScheduleTime, At(2026, 12, 7, 9, 30, 0))
      << "a fresh record, not one of the mails'";
  for (const auto& m : {a, b, c})
    EXPECT_EQ(ScheduleOf(Reload(m)), t1);
  EXPECT_EQ(CountIn(Velmora()), 4) << "all stay in the folder";
  EXPECT_FALSE(timerOnInDialog);

  box.answers = {mb::kYes};
  dialogs.script = {ScriptedDialogs::AcceptAt(t2), ScriptedDialogs::Cancel(),
                    ScriptedDialogs::AcceptAt(At(2026, 12, 20, 7, 0, 0))};
  const DateTime bOwn = At(2026, 12, 11, 9, 15, 0);
  Main::SetUserProp(b, bOwn);
  b->Save();
  buttons.Options()->Execute();
  ASSERT_EQ(dialogs.shown.size(), 5u);
  EXPECT_EQ(dialogs.shown[3].record.m_ScheduleTime, bOwn) << "filled from its own mail";
  EXPECT_EQ(ScheduleOf(Reload(a)), t2);
  EXPECT_EQ(ScheduleOf(Reload(b)), bOwn) << "its dialog was cancelled";
  EXPECT_EQ(ScheduleOf(Reload(c)), At(2026, 12, 20, 7, 0, 0));

  box.answers = {mb::kCancel};
  buttons.Options()->Execute();
  EXPECT_EQ(dialogs.shown.size(), 5u);
}

TEST_F(Lifecycle, PassesFallOnTheMinuteASecondAfterTheAttachAndAFailingOneRearmsForAMinute) {
  clock.Set(At(2026, 12, 7, 9, 0, 44));
  ScheduleOnce("Soon", At(2026, 12, 7, 9, 2, 0));
  ConnectWithExplorer();
  EXPECT_EQ(MainTimer().Interval(), 1000);
  timers.Advance(1000);  // 9:00:45
  EXPECT_EQ(MainTimer().Interval(), 15000);
  timers.Advance(15000);  // 9:01:00
  EXPECT_EQ(MainTimer().Interval(), 60000);
  EXPECT_TRUE(wire.Sent().empty());
  clock.Set(At(2026, 12, 7, 9, 1, 59));
  addin->OnTimer();
  EXPECT_EQ(MainTimer().Interval(), 1000) << "a pass at second 59 waits a second";
  timers.Advance(1000);  // 9:02:00
  loop.Drain();
  EXPECT_EQ(SentSubjects(), std::vector<std::string>{"Soon"});
  // A run the user started never closes the host.
  EXPECT_FALSE(TheTimerForm().tmrExit().Enabled());
  {
    ScopedServices noClock({nullptr, &us, &registry, &settings, &files, GetServices().logFolder});
    CapturedLog log;
    addin->OnTimer();
  }
  EXPECT_TRUE(MainTimer().Enabled());
  EXPECT_EQ(MainTimer().Interval(), 60000);
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
  // The last explorer's close let go of everything (every reference given
  // back: the Windows add-in session).
  EXPECT_EQ(g_Connect, nullptr);
  EXPECT_FALSE(TimerFormLoaded());
  EXPECT_FALSE(timers.RunNext());
  // Disconnection after that finds nothing left to release.
  addin->OnBeginShutdown();
  addin->OnDisconnection(0);
}

TEST_F(Lifecycle, WithoutAnExplorerAMailScheduledIsMarkedAndNothingIsSentUntilOneAttaches) {
  ScheduleOnce("Due", clock.Now());
  Connect();
  EXPECT_TRUE(addin->WaitsForExplorer());
  auto window = Compose("Early");
  auto item = window->CurrentItem();
  timers.Advance(1000);  // the inspector timer hands the window over, once
  EXPECT_FALSE(TheTimerForm().ctlInspectorTimer().Enabled());
  dialogs.script.push_back(ScriptedDialogs::AcceptAt(t1));
  Press(window);
  EXPECT_TRUE(window->Closed());
  EXPECT_EQ(FolderOf(item), "Drafts");
  EXPECT_TRUE(Reload(item)->UserProperties()->Find(std::string(mSpecial::kPropMoveToVelmora)));
  EXPECT_EQ(ScheduleOf(Reload(item)), t1);
  EXPECT_FALSE(MainTimer().Enabled()) << "no sending before an explorer is attached";
  timers.Advance(5000);
  EXPECT_TRUE(wire.Sent().empty());
  auto first = mail->OpenExplorer();
  EXPECT_FALSE(addin->WaitsForExplorer());
  auto second = mail->OpenExplorer();
  // The attach moves the marked mail into the folder, where it waits.
  EXPECT_EQ(FolderOf(item), "Velmora");
  EXPECT_FALSE(Reload(item)->UserProperties()->Find(std::string(mSpecial::kPropMoveToVelmora)));
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

TEST_F(Lifecycle, AFailedConnectionLeavesNothingHalfDone) {
  CapturedLog log;
  addin->OnConnection(nullptr, 1, nullptr);
  addin->OnStartupComplete();
  EXPECT_FALSE(TimerFormLoaded() && MainTimer().Enabled());
}

}  // namespace
}  // namespace velmora::test
