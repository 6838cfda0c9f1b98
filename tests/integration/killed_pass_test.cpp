// A host process killed in the middle of a sending pass, for real: the pass
// runs in a child process over a store file, inside the host's tick
// transaction, and the child dies (as with SIGKILL, no unwinding) after the
// first mail has been submitted. The store must then look exactly as before
// the pass: every mail still scheduled at its old time, no copy of a
// recurring mail left behind with a live schedule, nothing in the Outbox.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <memory>

#include "addin/model/ignore_list.h"
#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/folder.h"
#include "addin/store/sending.h"
#include "addin/store/versions.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "platform/posix/filesystem_posix.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/tick_transaction.h"
#include "platform/posix/xml_pugi.h"
#include "support/fake_timers.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"
#include "support/scripted_message_box.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

constexpr int kKilled = 9;

// Hands out the safe-send objects of the host, and ends the process without
// a word when asked for the n-th one: the pass dies between two mails.
class DyingObjects final : public host::ObjectFactory {
 public:
  DyingObjects(host::ObjectFactory& inner, int dieAt) : inner_(inner), dieAt_(dieAt) {}
  host::SafeMailItemPtr CreateSafeMailItem() override {
    if (++calls_ == dieAt_) ::_exit(kKilled);
    return inner_.CreateSafeMailItem();
  }

 private:
  host::ObjectFactory& inner_;
  int dieAt_;
  int calls_ = 0;
};

DateTime At(int d, int hh) {
  return DateTime::FromParts(2026, 12, d, hh, 0, 0);
}

class KilledPass : public ::testing::Test {
 protected:
  KilledPass() { g_IgnoreList = std::make_unique<CIgnoreList>(); }
  ~KilledPass() override {
    g_IgnoreList.reset();
    Main::ResetVelmoraFolderLookup();
  }

  struct Host {
    std::unique_ptr<posix::MailHost> mail;
    std::unique_ptr<ScopedAddinServices> addin;
  };
  Host Open(host::ObjectFactory* objects = nullptr) {
    Host h;
    h.mail = posix::MailHost::Open(home.Path() / "store.db",
                                   {.dispatcher = &loop, .clock = &clock, .locale = &us});
    h.addin = std::make_unique<ScopedAddinServices>(
        AddinServices{objects ? objects : &h.mail->Objects(), &box, nullptr, nullptr, &timers, &xml,
                      h.mail->App()});
    Main::ResetVelmoraFolderLookup();
    GetOutlookVersion();
    return h;
  }
  void Schedule(const std::string& subject, CMailProps r) {
    auto item = Main::GetVelmoraFolder(true)->Items()->Add(host::ol::kMailItem);
    item->SetSubject(subject);
    item->SetTo("ann@example.com");
    r.WriteProps(item);
    item->Save();
  }

  TempDir home{"killed"};
  ManualClock clock{At(7, 9)};
  PictureLocale us;
  posix::SqliteRegistry registry{":memory:"};
  RegistrySettings settings{registry};
  posix::PosixFileSystem files;
  ScopedServices services{{&clock, &us, &registry, &settings, &files, GetServices().logFolder}};
  ManualDispatcher loop;
  FakeTimerFactory fake{&clock};
  ScriptedMessageBox box;
  posix::PugiXmlFactory xml;
  FakeTimerFactory& timers = fake;
};

TEST_F(KilledPass, TheStoreIsAsBeforeThePass) {
  {
    Host h = Open();
    CMailProps once;
    once.m_ScheduleTime = At(7, 8);
    Schedule("once", once);
    CMailProps daily;
    daily.m_IsRecurring = true;
    daily.m_RecurrenceType = recurrence::kDaily;
    daily.m_Interval = 1;
    daily.m_NoEndDate = true;
    daily.m_StartTime = DateTime::FromTime(8, 30, 0);
    daily.m_PatternStartDate = At(4, 0);
    daily.m_ScheduleTime = At(4, 8).AddMinutes(30);
    Schedule("daily", daily);
  }

  EXPECT_EXIT(
      {
        Host h = Open();
        DyingObjects dying(h.mail->Objects(), 2);
        h.addin.reset();
        ScopedAddinServices addin({&dying, &box, nullptr, nullptr, nullptr, &xml, h.mail->App()});
        posix::TransactionalTimers ticks(fake, h.mail->Store().Db());
        auto timer = ticks.CreateTimer();
        timer->SetHandler([] { Main::OnTimer1(nullptr, false); });
        timer->SetInterval(1000);
        timer->SetEnabled(true);
        fake.Advance(1000);
        ::_exit(0);  // the pass ended: the process was not killed in it
      },
      ::testing::ExitedWithCode(kKilled), "");

  Host h = Open();
  auto folder = Main::GetVelmoraFolder(false);
  ASSERT_TRUE(folder);
  auto items = folder->Items();
  ASSERT_EQ(items->Count(), 2) << "a copy or a moved mail survived the killed pass";
  std::map<std::string, DateTime> times;
  for (int i = 1; i <= items->Count(); ++i) {
    DateTime t;
    ASSERT_TRUE(Main::GetUserProp(items->Item(i), t));
    times[items->Item(i)->Subject()] = t;
  }
  EXPECT_EQ(times["once"], At(7, 8));
  EXPECT_EQ(times["daily"], At(4, 8).AddMinutes(30));
  auto ns = h.mail->App()->GetNamespace("MAPI");
  EXPECT_EQ(ns->GetDefaultFolder(host::ol::kFolderOutbox)->Items()->Count(), 0);
}

}  // namespace
}  // namespace velmora::test
