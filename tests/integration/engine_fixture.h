// The whole engine on the standalone host in memory: a manual clock, fake
// timers, an event loop drained by hand, a recording transport, an in-memory
// registry, scripted message boxes. Scenes are set up through the host and
// checked through what the transport received and what the registry holds.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "addin/model/ignore_list.h"
#include "addin/model/mail_props.h"
#include "addin/store/addin_services.h"
#include "addin/store/folder.h"
#include "addin/store/versions.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "common/settings.h"
#include "common/winreg.h"
#include "platform/posix/filesystem_posix.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/registry_sqlite.h"
#include "platform/posix/xml_pugi.h"
#include "support/fake_timers.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"
#include "support/recording_transport.h"
#include "support/scripted_message_box.h"
#include "support/temp_dir.h"

namespace velmora::test {

class RecordingKeys final : public KeystrokePort {
 public:
  void SendKeys(std::string_view keys) override { sent.emplace_back(keys); }
  std::vector<std::string> sent;
};

inline DateTime At(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
  return DateTime::FromParts(y, m, d, hh, mm, ss);
}

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    Main::ResetVelmoraFolderLookup();
    g_IgnoreList = std::make_unique<CIgnoreList>();
    GetOutlookVersion();
  }
  ~EngineTest() override {
    g_IgnoreList.reset();
    g_OutlookVersion.clear();
    Main::ResetVelmoraFolderLookup();
  }

  ManualClock clock{At(2026, 12, 7, 9, 0, 0)};
  PictureLocale us;
  posix::SqliteRegistry registry{":memory:"};
  RegistrySettings settings{registry};
  posix::PosixFileSystem files;
  ScopedServices services{{&clock, &us, &registry, &settings, &files, GetServices().logFolder}};
  ManualDispatcher loop;
  RecordingTransport wire;
  std::unique_ptr<posix::MailHost> mail = posix::MailHost::OpenInMemory(
      {.dispatcher = &loop, .transport = &wire, .clock = &clock, .locale = &us});
  ScriptedMessageBox box;
  RecordingKeys keys;
  FakeTimerFactory timers{&clock};
  posix::PugiXmlFactory xml;
  ScopedAddinServices addinServices{
      {&mail->Objects(), &box, &keys, nullptr, &timers, &xml, mail->App()}};
  host::ApplicationPtr app = mail->App();
  host::NameSpacePtr ns = app->GetNamespace("MAPI");

  host::FolderPtr Folder(int kind) { return ns->GetDefaultFolder(kind); }
  host::FolderPtr Velmora() { return Main::GetVelmoraFolder(true); }
  int CountIn(const host::FolderPtr& f) { return f->Items()->Count(); }

  // A mail scheduled in the scheduled-mail folder with the record's schedule.
  host::MailItemPtr Schedule(const std::string& subject, CMailProps record,
                             const std::string& to = "ann@example.com") {
    auto item = Velmora()->Items()->Add(host::ol::kMailItem);
    item->SetSubject(subject);
    item->SetTo(to);
    item->SetBody("Body of " + subject);
    record.WriteProps(item);
    item->Save();
    return item;
  }
  host::MailItemPtr ScheduleOnce(const std::string& subject, DateTime when) {
    CMailProps r;
    r.m_ScheduleTime = when;
    return Schedule(subject, r);
  }
  // Daily at the time of `first`, from its date on; count 0 means no end.
  static CMailProps Daily(DateTime first, int count = 0) {
    CMailProps r;
    r.m_IsRecurring = true;
    r.m_RecurrenceType = 0;
    r.m_Interval = 1;
    r.m_NoEndDate = count == 0;
    r.m_Occurrences = count;
    r.m_StartTime = first.TimePart();
    r.m_PatternStartDate = first.DatePart();
    r.m_ScheduleTime = first;
    return r;
  }

  std::string NextOccurence() {
    CWinReg reg;
    if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER, kSettingsKey)) return "<no key>";
    return reg.GetString(kValueNextOccurence);
  }
  void SetRegistryString(std::string_view name, std::string_view value) {
    CWinReg reg;
    ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, kSettingsKey, true));
    ASSERT_TRUE(reg.SetString(name, value));
  }
  std::vector<std::string> SentSubjects() const {
    std::vector<std::string> s;
    for (const auto& m : wire.Sent())
      s.push_back(m.subject);
    return s;
  }
  static std::optional<DateTime> ScheduleOf(const host::MailItemPtr& item) {
    DateTime t;
    if (!Main::GetUserProp(item, t)) return std::nullopt;
    return t;
  }
};

}  // namespace velmora::test
