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
#include "common/settings.h"
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
// a word at the second one: the pass dies between two mails.
class DyingObjects final : public host::ObjectFactory {
 public:
  explicit DyingObjects(host::ObjectFactory& inner) : inner_(inner) {}
  host::SafeMailItemPtr CreateSafeMailItem() override {
    if (++calls_ == 2) ::_exit(kKilled);
    return inner_.CreateSafeMailItem();
  }

 private:
  host::ObjectFactory& inner_;
  int calls_ = 0;
};

DateTime At(int d, int hh, int mm = 0) {
  return DateTime::FromParts(2026, 12, d, hh, mm, 0);
}

class KilledPass : public ::testing::Test {
 protected:
  KilledPass() { g_IgnoreList = std::make_unique<CIgnoreList>(); }
  ~KilledPass() override {
    g_IgnoreList.reset();
    Main::ResetVelmoraFolderLookup();
  }
  // The host over the store file, with the add-in's ports pointing at it.
  std::unique_ptr<posix::MailHost> Open() {
    auto m = posix::MailHost::Open(home.Path() / "store.db",
                                   {.dispatcher = &loop, .clock = &clock, .locale = &us});
    Connect(*m, m->Objects());
    return m;
  }
  void Connect(posix::MailHost& m, host::ObjectFactory& objects) {
    addin.reset();
    addin = std::make_unique<ScopedAddinServices>(
        AddinServices{&objects, &box, nullptr, nullptr, &fake, &xml, m.App()});
    Main::ResetVelmoraFolderLookup();
    GetOutlookVersion();
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
  std::unique_ptr<ScopedAddinServices> addin;
};

TEST_F(KilledPass, TheStoreIsAsBeforeThePass) {
  {
    auto m = Open();
    CMailProps once, daily;
    once.m_ScheduleTime = At(7, 8);
    daily.m_IsRecurring = daily.m_NoEndDate = true;
    daily.m_RecurrenceType = recurrence::kDaily;
    daily.m_Interval = 1;
    daily.m_StartTime = DateTime::FromTime(8, 30, 0);
    daily.m_PatternStartDate = At(4, 0);
    daily.m_ScheduleTime = At(4, 8, 30);
    for (auto& [subject, r] : {std::pair{"once", once}, std::pair{"daily", daily}}) {
      auto item = Main::GetVelmoraFolder(true)->Items()->Add(host::ol::kMailItem);
      item->SetSubject(subject);
      item->SetTo("ann@example.com");
      CMailProps(r).WriteProps(item);
      item->Save();
    }
  }
  EXPECT_EXIT(
      {
        auto m = Open();
        DyingObjects dying(m->Objects());
        Connect(*m, dying);
        posix::TransactionalTimers ticks(fake, m->Store().Db());
        auto timer = ticks.CreateTimer();
        timer->SetHandler([] { Main::OnTimer1(nullptr, false); });
        timer->SetInterval(1000);
        timer->SetEnabled(true);
        fake.Advance(1000);
        ::_exit(0);  // the pass ended: the process was not killed in it
      },
      ::testing::ExitedWithCode(kKilled), "");

  auto m = Open();
  auto items = Main::GetVelmoraFolder(false)->Items();
  ASSERT_EQ(items->Count(), 2) << "a copy or a moved mail survived the killed pass";
  std::map<std::string, DateTime> times;
  for (int i = 1; i <= items->Count(); ++i)
    ASSERT_TRUE(Main::GetUserProp(items->Item(i), times[items->Item(i)->Subject()]));
  EXPECT_EQ(times["once"], At(7, 8));
  EXPECT_EQ(times["daily"], At(4, 8, 30));
  EXPECT_EQ(
      m->App()->GetNamespace("MAPI")->GetDefaultFolder(host::ol::kFolderOutbox)->Items()->Count(),
      0);
}

}  // namespace
}  // namespace velmora::test
