// The tray launcher's tick and its lifecycle as the user and the add-in rely
// on them: the host starts in the minute a mail falls due and only while it
// is not running, "SendAndExit" is set before that start, ticks fall on the
// half minute, bad registry values are logged and cleared, one copy runs.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "common/debug.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "support/fake_timers.h"
#include "support/manual_clock.h"
#include "support/temp_dir.h"
#include "support/test_registry.h"
#include "tray/form1.h"
#include "tray/tray_names.h"
#include "tray_fakes.h"

namespace velmora::test {
namespace {

using tray::Form1;
using tray::LoadResult;
using tray::MenuItem;

// The manual clock, with a switch that makes reading it fail.
class BreakableClock final : public Clock {
 public:
  explicit BreakableClock(const ManualClock& inner) : inner_(inner) {}
  DateTime Now() const override {
    if (broken) Raise(err::kAutomation, "clock broken");
    return inner_.Now();
  }
  bool broken = false;

 private:
  const ManualClock& inner_;
};

class TrayFormTest : public testing::Test {
 protected:
  TrayFormTest() : services_(MakeServices()) {
    ConfigureDebugLog(kTrayLog);
    ReleaseDebug();
  }
  ~TrayFormTest() override {
    ReleaseDebug();
    ConfigureDebugLog(kAddinLog);
  }

  Services MakeServices() {
    Services s = GetServices();
    s.clock = &clock_;
    s.locale = &locale_;
    s.registry = &registry_;
    s.logFolder = logs_.Path();
    return s;
  }

  tray::TrayPorts Ports() { return {mutexes_, host_, icon_, timers_, quit_}; }
  std::unique_ptr<Form1> MakeForm() { return std::make_unique<Form1>(Ports(), where_); }

  void SetValue(std::string_view name, std::string_view text) {
    CWinReg reg(*backend_);
    ASSERT_TRUE(reg.InitForWrite(where_.root, where_.subkey, true));
    ASSERT_TRUE(reg.SetString(name, text));
  }
  std::string Value(std::string_view name) {
    CWinReg reg(*backend_);
    if (!reg.InitForRead(where_.root, where_.subkey)) return "<no key>";
    return reg.GetString(name);
  }
  bool KeyExists() {
    CWinReg reg(*backend_);
    return reg.InitForRead(where_.root, where_.subkey);
  }
  std::string Log() {
    std::ifstream in(logs_.Path() / kTrayLog.fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  int Ticks() { return timers_.Timers().empty() ? 0 : timers_.Timers().front()->Ticks(); }
  void SetNow(int h, int m, int s) { clock_.Set(DateTime::FromParts(2026, 12, 7, h, m, s)); }

  TempDir logs_{"tray"};
  ManualClock clock_{DateTime::FromParts(2026, 12, 7, 10, 14, 30)};
  BreakableClock breakable_{clock_};
  PictureLocale locale_;
  std::unique_ptr<RegistryBackend> backend_ = MakeTestRegistryBackend();
  FlakyRegistry registry_{*backend_};
  tray::SettingsLocation where_{reg::kCurrentUser, std::string(TestRegistryRoot()) + "\\Tray"};
  ScopedServices services_;
  FakeTimerFactory timers_{&clock_};
  FakeMutexes mutexes_;
  FakeHost host_{where_};
  FakeIcon icon_;
  FakeQuit quit_;
};

TEST_F(TrayFormTest, StartsTheHostInTheMinuteTheMailFallsDue) {
  SetValue(kValueNextOccurence, "12/7/2026 10:15:40 AM");
  auto form = MakeForm();
  ASSERT_EQ(form->Form_Load(), LoadResult::kRunning);
  // 10:14:30: one whole minute to go.
  EXPECT_EQ(host_.Starts(), 0);
  timers_.Advance(29999);
  EXPECT_EQ(host_.Starts(), 0);
  timers_.Advance(1);
  EXPECT_EQ(clock_.Now(), DateTime::FromParts(2026, 12, 7, 10, 15, 0));
  ASSERT_EQ(host_.Starts(), 1);
  // The add-in must find the flag when the host comes up.
  EXPECT_EQ(host_.flagAtStart[0], "1");
  EXPECT_EQ(Value(kValueSendAndExit), "1");
  EXPECT_NE(Log().find("starting the host for 12/7/2026 10:15:00 AM"), std::string::npos) << Log();
}

TEST_F(TrayFormTest, APastTimeStartsTheHostAtEveryTickUntilItRunsOrTheValueChanges) {
  SetValue(kValueNextOccurence, "12/6/2026 8:00:00 PM");
  auto form = MakeForm();
  ASSERT_EQ(form->Form_Load(), LoadResult::kRunning);
  EXPECT_EQ(host_.Starts(), 1);
  timers_.Advance(30000);
  timers_.Advance(30000);
  EXPECT_EQ(host_.Starts(), 3);

  host_.running = true;
  timers_.Advance(90000);
  EXPECT_EQ(Ticks(), 5);
  EXPECT_EQ(host_.Starts(), 3);

  // The add-in sent everything and recorded the next time, tomorrow.
  host_.running = false;
  SetValue(kValueNextOccurence, "12/8/2026 9:00:00 AM");
  timers_.Advance(120000);
  EXPECT_EQ(host_.Starts(), 3);
  EXPECT_TRUE(form->ShortTimer().Enabled());
}

TEST_F(TrayFormTest, NoRecordedTimeNeverStartsAnything) {
  auto form = MakeForm();
  ASSERT_EQ(form->Form_Load(), LoadResult::kRunning);
  timers_.Advance(60000);
  EXPECT_EQ(host_.Starts(), 0);
  // A missing key is worth a warning, but reading never creates it.
  EXPECT_NE(Log().find("Warning : LoadRegParam\top failed\r\n"), std::string::npos) << Log();
  EXPECT_FALSE(KeyExists());
  EXPECT_EQ(form->MenuItems()[0].text, "NextOccurence none");

  for (const char* empty : {"", "   "}) {
    SetValue(kValueNextOccurence, empty);
    const auto logged = Log().size();
    timers_.Advance(60000);
    EXPECT_EQ(host_.Starts(), 0) << '"' << empty << '"';
    EXPECT_EQ(Log().size(), logged) << Log();
    EXPECT_EQ(form->MenuItems()[0].text, "NextOccurence none");
    EXPECT_EQ(Value(kValueSendAndExit), "");
  }
}

TEST_F(TrayFormTest, TicksFallOnTheNextHalfMinute) {
  struct Case {
    int second;
    int interval;
  };
  for (const Case c : {Case{45, 15000}, Case{0, 30000}, Case{30, 30000}, Case{59, 1000},
                       Case{29, 1000}, Case{1, 29000}, Case{31, 29000}}) {
    SetNow(10, 14, c.second);
    auto form = MakeForm();
    ASSERT_EQ(form->Form_Load(), LoadResult::kRunning);
    EXPECT_EQ(form->ShortTimer().Interval(), c.interval) << "second " << c.second;
    EXPECT_TRUE(form->ShortTimer().Enabled());
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(timers_.RunNext());
      EXPECT_EQ(clock_.Now().Second() % 30, 0) << "second " << c.second << ", tick " << i;
    }
  }
}

TEST_F(TrayFormTest, AnUnreadableTimeIsLoggedAndClearedOnce) {
  SetValue(kValueNextOccurence, "next Tuesday-ish");
  auto form = MakeForm();
  ASSERT_EQ(form->Form_Load(), LoadResult::kRunning);
  EXPECT_EQ(host_.Starts(), 0);
  EXPECT_EQ(Value(kValueNextOccurence), "");
  const std::string log = Log();
  EXPECT_NE(log.find("Error(13) : LoadRegParam\tType mismatch\r\n"), std::string::npos) << log;

  timers_.Advance(120000);
  EXPECT_EQ(Log(), log);
  EXPECT_TRUE(form->ShortTimer().Enabled());
}

TEST_F(TrayFormTest, TheRecordedTimeIsReadInTheLocaleWithoutSecondsOrSurroundingSpaces) {
  SetValue(kValueNextOccurence, "  12/7/2026 10:15:59 AM ");
  EXPECT_EQ(tray::LoadRegParam(where_), DateTime::FromParts(2026, 12, 7, 10, 15, 0));
  // Day first is not this locale's order: the 13th month does not exist.
  SetValue(kValueNextOccurence, "13/12/2026 10:00:00 AM");
  EXPECT_EQ(tray::LoadRegParam(where_), std::nullopt);
  EXPECT_EQ(Value(kValueNextOccurence), "");
  // At midnight the text carries the date alone.
  SetValue(kValueNextOccurence, "12/8/2026");
  EXPECT_EQ(tray::LoadRegParam(where_), DateTime::FromParts(2026, 12, 8));
}

TEST_F(TrayFormTest, ASecondCopyEndsSilentlyAndLeavesOneIcon) {
  auto first = MakeForm();
  ASSERT_EQ(first->Form_Load(), LoadResult::kRunning);
  EXPECT_TRUE(mutexes_.IsHeld("Brelcor.VelmoraTray"));
  EXPECT_EQ(icon_.adds, 1);
  const std::string log = Log();

  FakeIcon secondIcon;
  FakeQuit secondQuit;
  {
    Form1 second({mutexes_, host_, secondIcon, timers_, secondQuit}, where_);
    EXPECT_EQ(second.Form_Load(), LoadResult::kAlreadyRunning);
    EXPECT_FALSE(second.Loaded());
    EXPECT_FALSE(second.ShortTimer().Enabled());
    second.TrayHook_MouseDown(tray::kRightButtonUp);
  }
  EXPECT_EQ(secondIcon.adds, 0);
  EXPECT_TRUE(secondIcon.menus.empty());
  EXPECT_TRUE(secondQuit.codes.empty());
  EXPECT_EQ(Log(), log);
  // The first copy still holds the mutex and ticks.
  EXPECT_TRUE(mutexes_.IsHeld("Brelcor.VelmoraTray"));
  EXPECT_TRUE(icon_.shown);
  timers_.Advance(30000);
  EXPECT_EQ(Ticks(), 1);

  // Once the first copy has gone, a new one may run.
  first.reset();
  EXPECT_FALSE(mutexes_.IsHeld("Brelcor.VelmoraTray"));
  Form1 third({mutexes_, host_, secondIcon, timers_, secondQuit}, where_);
  EXPECT_EQ(third.Form_Load(), LoadResult::kRunning);
}

TEST_F(TrayFormTest, AFailingTickIsLoggedAndEndsTheProgram) {
  auto form = MakeForm();
  ASSERT_EQ(form->Form_Load(), LoadResult::kRunning);
  GetServices().clock = &breakable_;
  breakable_.broken = true;
  timers_.Advance(30000);

  EXPECT_NE(Log().find("Error(440) : tmrShortTimer_Timer\tclock broken\r\n"), std::string::npos)
      << Log();
  EXPECT_EQ(quit_.codes, std::vector<int>{tray::kExitFailure});
  EXPECT_FALSE(form->ShortTimer().Enabled());
  EXPECT_FALSE(form->Loaded());
  EXPECT_FALSE(icon_.shown);
  EXPECT_FALSE(mutexes_.IsHeld("Brelcor.VelmoraTray"));
  // Nothing ticks any more.
  EXPECT_FALSE(timers_.RunNext());
}

TEST_F(TrayFormTest, AHostThatWillNotStartIsTriedAgainAtTheNextTick) {
  SetValue(kValueNextOccurence, "12/7/2026 10:00:00 AM");
  host_.failStart = true;
  auto form = MakeForm();
  ASSERT_EQ(form->Form_Load(), LoadResult::kRunning);
  EXPECT_EQ(host_.Starts(), 1);
  EXPECT_NE(Log().find("Warning : tmrShortTimer_Timer\tstart failed: outlook.exe not found"),
            std::string::npos)
      << Log();
  EXPECT_TRUE(quit_.codes.empty());
  host_.failStart = false;
  timers_.Advance(30000);
  EXPECT_EQ(host_.Starts(), 2);
}

TEST_F(TrayFormTest, TheHostStartsEvenWhenTheFlagCannotBeWritten) {
  SetValue(kValueNextOccurence, "12/7/2026 10:00:00 AM");
  registry_.failWriteOpen = true;
  auto form = MakeForm();
  ASSERT_EQ(form->Form_Load(), LoadResult::kRunning);
  EXPECT_EQ(host_.Starts(), 1);
  EXPECT_NE(Log().find("Warning : SetRegParamFlag\top failed\r\n"), std::string::npos) << Log();

  registry_.failWriteOpen = false;
  registry_.failSet = true;
  timers_.Advance(30000);
  EXPECT_EQ(host_.Starts(), 2);
  EXPECT_NE(Log().find("Error(custom) : SetRegParamFlag\tcannot write SendAndExit\r\n"),
            std::string::npos)
      << Log();
  EXPECT_EQ(Value(kValueSendAndExit), "");
}

TEST_F(TrayFormTest, TheMenuShowsTheNextTimeAndExitEndsTheProgram) {
  SetValue(kValueNextOccurence, "12/8/2026 9:30:15 AM");
  auto form = MakeForm();
  ASSERT_EQ(form->Form_Load(), LoadResult::kRunning);

  // Only the right button's release opens the menu.
  for (int message : {tray::kCallbackMessage, 514, 515, 516, 512, 0})
    form->TrayHook_MouseDown(message);
  EXPECT_TRUE(icon_.menus.empty());

  // A menu that fails is logged and the launcher goes on.
  icon_.failMenu = true;
  form->TrayHook_MouseDown(tray::kRightButtonUp);
  EXPECT_NE(Log().find("Error(440) : TrayHook_MouseDown\tno menu\r\n"), std::string::npos) << Log();
  icon_.failMenu = false;
  icon_.menus.clear();

  icon_.answers = {tray::kCmdNextOccurence, 0};
  form->TrayHook_MouseDown(tray::kRightButtonUp);
  form->TrayHook_MouseDown(tray::kRightButtonUp);
  ASSERT_EQ(icon_.menus.size(), 2u);
  const std::vector<MenuItem> expected{
      {1, "NextOccurence 12/8/2026 9:30:00 AM"}, {0, ""}, {2, "Exit"}};
  EXPECT_EQ(icon_.menus[0], expected);
  EXPECT_TRUE(form->Loaded());
  EXPECT_TRUE(quit_.codes.empty());

  icon_.answers = {tray::kCmdExit};
  form->TrayHook_MouseDown(tray::kRightButtonUp);
  EXPECT_EQ(quit_.codes, std::vector<int>{tray::kExitOk});
  EXPECT_FALSE(form->Loaded());
  EXPECT_EQ(icon_.removes, 1);
  EXPECT_FALSE(mutexes_.IsHeld("Brelcor.VelmoraTray"));
  EXPECT_FALSE(form->ShortTimer().Enabled());
  // The end runs once, however often it is asked for.
  form->Form_Unload();
  form.reset();
  EXPECT_EQ(icon_.removes, 1);
  EXPECT_TRUE(timers_.Timers().empty());
}

TEST_F(TrayFormTest, WithoutAnIconTheLauncherStillDoesItsJob) {
  SetValue(kValueNextOccurence, "12/7/2026 10:00:00 AM");
  icon_.failAdd = true;
  auto form = MakeForm();
  ASSERT_EQ(form->Form_Load(), LoadResult::kRunning);
  EXPECT_NE(Log().find("Error(440) : AddTrayIcon\tShell_NotifyIcon failed\r\n"), std::string::npos)
      << Log();
  EXPECT_EQ(host_.Starts(), 1);

  // The shell came back: the icon is added again.
  icon_.failAdd = false;
  form->TaskbarCreated();
  EXPECT_TRUE(icon_.shown);
  EXPECT_EQ(icon_.adds, 2);

  form->Form_Unload();
  EXPECT_FALSE(icon_.shown);
  // After the end, nothing brings the icon back.
  form->TaskbarCreated();
  EXPECT_EQ(icon_.adds, 2);
  EXPECT_EQ(Log().find("RemoveTrayIcon"), std::string::npos) << Log();
}

}  // namespace
}  // namespace velmora::test
