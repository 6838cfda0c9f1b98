// The tray launcher's tick and its lifecycle as the user and the add-in rely
// on them: the host starts in the minute a mail falls due and only while it
// is not running, "SendAndExit" is set before that start, ticks fall on the
// half minute, unreadable times are cleared, one copy runs, and no failure
// of the machine's parts stops the launcher from doing its job.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/debug.h"
#include "common/host_error.h"
#include "common/picture_locale.h"
#include "common/registry_backend.h"
#include "common/services.h"
#include "common/winreg.h"
#include "support/captured_log.h"
#include "support/fake_timers.h"
#include "support/manual_clock.h"
#include "support/test_registry.h"
#include "tray/form1.h"
#include "tray/reg_params.h"
#include "tray/tray_names.h"
#include "tray/tray_ports.h"

namespace velmora::test {
namespace {

using tray::Form1;
using tray::LoadResult;

// The named mutexes of the whole machine: two launchers built on one
// instance behave as two processes of one logon.
class FakeMutexes final : public tray::MutexPort {
 public:
  std::unique_ptr<tray::NamedMutex> CreateOwned(std::string_view name) override {
    if (!held.insert(std::string(name)).second) return nullptr;
    return std::make_unique<Held>(*this, std::string(name));
  }
  std::set<std::string> held;

 private:
  struct Held final : tray::NamedMutex {
    Held(FakeMutexes& o, std::string n) : owner(o), name(std::move(n)) {}
    ~Held() override { owner.held.erase(name); }
    FakeMutexes& owner;
    std::string name;
  };
};

// A mail host that records every start, with what "SendAndExit" held then.
class FakeHost final : public tray::HostLauncher {
 public:
  explicit FakeHost(tray::SettingsLocation where) : where_(std::move(where)) {}
  bool IsRunning() override {
    if (failRunning) Raise(err::kAutomation, "no process list");
    return running;
  }
  void Start() override {
    CWinReg reg;
    flagAtStart.push_back(reg.InitForRead(where_.root, where_.subkey)
                              ? reg.GetString(kValueSendAndExit)
                              : std::string("<no key>"));
    if (failStart) Raise(err::kFileNotFound, "outlook.exe not found");
  }
  int Starts() const { return static_cast<int>(flagAtStart.size()); }
  bool running = false, failStart = false, failRunning = false;
  std::vector<std::string> flagAtStart;

 private:
  tray::SettingsLocation where_;
};

class FakeIcon final : public tray::TrayIcon {
 public:
  void Add() override {
    ++adds;
    if (failAdd) Raise(err::kAutomation, "Shell_NotifyIcon failed");
    shown = true;
  }
  void Remove() override {
    removes += shown;
    shown = false;
  }
  int ShowMenu(const std::vector<tray::MenuItem>& items) override {
    menus.push_back(items);
    if (failMenu) Raise(err::kAutomation, "no menu");
    if (answers.empty()) return 0;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  bool shown = false, failAdd = false, failMenu = false;
  int adds = 0, removes = 0;
  std::deque<int> answers;
  std::vector<std::vector<tray::MenuItem>> menus;
};

class FakeQuit final : public tray::QuitPort {
 public:
  void Quit(int exitCode) override { codes.push_back(exitCode); }
  std::vector<int> codes;
};

// Passes everything to a real backend, unless told to fail writing.
class FlakyRegistry final : public RegistryBackend {
 public:
  explicit FlakyRegistry(RegistryBackend& inner) : inner_(inner) {}
  RegKey Open(RegKey parent, std::string_view subkey, std::uint32_t access, bool create) override {
    if ((access & reg::kSetValue) != 0 && failWriteOpen) return 0;
    return inner_.Open(parent, subkey, access, create);
  }
  bool Close(RegKey key) override { return inner_.Close(key); }
  bool SetValue(RegKey key, std::string_view name, const RegValue& value) override {
    return !failSet && inner_.SetValue(key, name, value);
  }
  std::optional<RegValue> GetValue(RegKey key, std::string_view name) override {
    return inner_.GetValue(key, name);
  }
  bool DeleteValue(RegKey key, std::string_view name) override {
    return inner_.DeleteValue(key, name);
  }
  bool DeleteSubKey(RegKey key, std::string_view name) override {
    return inner_.DeleteSubKey(key, name);
  }
  std::optional<std::string> EnumValue(RegKey key, std::uint32_t index) override {
    return inner_.EnumValue(key, index);
  }
  std::optional<std::string> EnumKey(RegKey key, std::uint32_t index) override {
    return inner_.EnumKey(key, index);
  }
  bool Flush(RegKey key) override { return inner_.Flush(key); }
  bool failWriteOpen = false, failSet = false;

 private:
  RegistryBackend& inner_;
};

class TrayFormTest : public testing::Test {
 protected:
  std::unique_ptr<Form1> Loaded() {
    auto form =
        std::make_unique<Form1>(tray::TrayPorts{mutexes_, host_, icon_, timers_, quit_}, where_);
    EXPECT_EQ(form->Form_Load(), LoadResult::kRunning);
    return form;
  }
  void SetValue(std::string_view name, std::string_view text) {
    CWinReg reg(*backend_);
    ASSERT_TRUE(reg.InitForWrite(where_.root, where_.subkey, true));
    ASSERT_TRUE(reg.SetString(name, text));
  }
  std::string Value(std::string_view name) {
    CWinReg reg(*backend_);
    return reg.InitForRead(where_.root, where_.subkey) ? reg.GetString(name) : "<no key>";
  }
  bool MutexHeld() const { return mutexes_.held.count("Brelcor.VelmoraTray") != 0; }

  CapturedLog log_;  // failures the launcher logs stay out of the run's log
  ManualClock clock_{DateTime::FromParts(2026, 12, 7, 10, 14, 30)};
  PictureLocale locale_;
  std::unique_ptr<RegistryBackend> backend_ = MakeTestRegistryBackend();
  FlakyRegistry registry_{*backend_};
  tray::SettingsLocation where_{reg::kCurrentUser, std::string(TestRegistryRoot()) + "\\Tray"};
  ScopedServices services_{Services{.clock = &clock_,
                                    .locale = &locale_,
                                    .registry = &registry_,
                                    .logFolder = GetServices().logFolder}};
  FakeTimerFactory timers_{&clock_};
  FakeMutexes mutexes_;
  FakeHost host_{where_};
  FakeIcon icon_;
  FakeQuit quit_;
};

TEST_F(TrayFormTest, StartsTheHostInTheMinuteTheMailFallsDueWithTheFlagSet) {
  SetValue(kValueNextOccurence, "12/7/2026 10:15:40 AM");
  auto form = Loaded();
  // 10:14:30: one whole minute to go.
  timers_.Advance(29999);
  EXPECT_EQ(host_.Starts(), 0);
  timers_.Advance(1);
  EXPECT_EQ(clock_.Now(), DateTime::FromParts(2026, 12, 7, 10, 15, 0));
  ASSERT_EQ(host_.Starts(), 1);
  // The add-in must find the flag when the host comes up.
  EXPECT_EQ(host_.flagAtStart[0], "1");
}

TEST_F(TrayFormTest, APastTimeStartsTheHostAtEveryTickUntilItRunsOrTheValueChanges) {
  auto form = Loaded();
  timers_.Advance(60000);
  EXPECT_EQ(Value(kValueNextOccurence), "<no key>") << "reading never creates the key";
  SetValue(kValueNextOccurence, "12/6/2026 8:00:00 PM");
  timers_.Advance(30000);
  EXPECT_EQ(host_.Starts(), 1);
  timers_.Advance(60000);
  EXPECT_EQ(host_.Starts(), 3);
  host_.running = true;
  timers_.Advance(90000);
  EXPECT_EQ(host_.Starts(), 3);
  // The add-in sent everything and recorded the next time, tomorrow.
  host_.running = false;
  SetValue(kValueNextOccurence, "12/8/2026 9:00:00 AM");
  timers_.Advance(120000);
  EXPECT_EQ(host_.Starts(), 3);
  EXPECT_TRUE(form->ShortTimer().Enabled());
}

TEST_F(TrayFormTest, TicksFallOnTheNextHalfMinute) {
  for (const auto& [second, interval] : std::initializer_list<std::pair<int, int>>{
           {45, 15000}, {30, 30000}, {59, 1000}, {1, 29000}}) {
    clock_.Set(DateTime::FromParts(2026, 12, 7, 10, 14, second));
    auto form = Loaded();
    EXPECT_EQ(form->ShortTimer().Interval(), interval) << "second " << second;
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(timers_.RunNext());
      EXPECT_EQ(clock_.Now().Second() % 30, 0) << "second " << second << ", tick " << i;
    }
  }
}

TEST_F(TrayFormTest, AFailingTickEndsTheProgramAndLetsGoOfEverything) {
  auto form = Loaded();
  host_.failRunning = true;
  SetValue(kValueNextOccurence, "12/7/2026 10:00:00 AM");
  timers_.Advance(30000);
  EXPECT_EQ(quit_.codes, std::vector<int>{tray::kExitFailure});
  EXPECT_FALSE(form->Loaded());
  EXPECT_FALSE(icon_.shown);
  EXPECT_FALSE(MutexHeld());
  EXPECT_FALSE(timers_.RunNext());
}

TEST_F(TrayFormTest, AHostThatWillNotStartOrAFlagThatCannotBeWrittenIsTriedAgain) {
  SetValue(kValueNextOccurence, "12/7/2026 10:00:00 AM");
  host_.failStart = true;
  registry_.failWriteOpen = true;
  auto form = Loaded();
  EXPECT_EQ(host_.Starts(), 1);
  EXPECT_TRUE(quit_.codes.empty());
  host_.failStart = false;
  registry_.failWriteOpen = false;
  registry_.failSet = true;
  timers_.Advance(30000);
  registry_.failSet = false;
  timers_.Advance(30000);
  EXPECT_EQ(host_.flagAtStart, (std::vector<std::string>{"", "", "1"}));
}

// (A day-first locale, and an unreadable time cleared: the launcher's
// end-to-end run.)
TEST_F(TrayFormTest, TheMenuShowsTheNextTimeAndExitEndsTheProgramOnce) {
  SetValue(kValueNextOccurence, "12/8/2026");  // at midnight the text is the date alone
  EXPECT_EQ(tray::LoadRegParam(where_), DateTime::FromParts(2026, 12, 8));
  SetValue(kValueNextOccurence, "12/8/2026 9:30:15 AM");
  auto form = Loaded();
  // A menu that fails is logged and the launcher goes on.
  icon_.failMenu = true;
  form->TrayHook_MouseDown(tray::kRightButtonUp);
  icon_.failMenu = false;
  icon_.answers = {tray::kCmdNextOccurence};
  form->TrayHook_MouseDown(tray::kRightButtonUp);
  form->TrayHook_MouseDown(514);  // the left button's release: no menu
  ASSERT_EQ(icon_.menus.size(), 2u);
  EXPECT_EQ(icon_.menus[1], (std::vector<tray::MenuItem>{
                                {1, "NextOccurence 12/8/2026 9:30:00 AM"}, {0, ""}, {2, "Exit"}}));
  EXPECT_TRUE(form->Loaded());
  EXPECT_TRUE(quit_.codes.empty());

  icon_.answers = {tray::kCmdExit};
  form->TrayHook_MouseDown(tray::kRightButtonUp);
  EXPECT_EQ(quit_.codes, std::vector<int>{tray::kExitOk});
  EXPECT_FALSE(MutexHeld());
  EXPECT_FALSE(form->ShortTimer().Enabled());
  form->Form_Unload();
  form.reset();
  EXPECT_EQ(icon_.removes, 1);
  EXPECT_TRUE(timers_.Timers().empty());
}

TEST_F(TrayFormTest, WithoutAnIconTheLauncherStillStartsTheHostAndAddsItWhenTheShellReturns) {
  SetValue(kValueNextOccurence, "12/7/2026 10:00:00 AM");
  icon_.failAdd = true;
  auto form = Loaded();
  EXPECT_EQ(host_.Starts(), 1);
  icon_.failAdd = false;
  form->TaskbarCreated();
  EXPECT_TRUE(icon_.shown);
  form->Form_Unload();
  EXPECT_FALSE(icon_.shown);
  // After the end, nothing brings the icon back.
  form->TaskbarCreated();
  EXPECT_EQ(icon_.adds, 2);
}

}  // namespace
}  // namespace velmora::test
