// The bug-report mail on the in-memory host: its body line for line, the log
// attached only when it exists, shown and never sent, and the standalone
// host's copy kept in Drafts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "addin/store/versions.h"
#include "addin/support/bug_report.h"
#include "common/debug.h"
#include "integration/engine_fixture.h"
#include "platform/posix/bug_report_draft.h"
#include "platform/posix/os_version_posix.h"
#include "support/captured_log.h"

namespace velmora::test {
namespace {

class FixedOsVersion final : public OsVersionPort {
 public:
  std::optional<OsVersionRecord> Query() override { return record; }
  std::optional<OsVersionRecord> record = OsVersionRecord{2, 5, 1, 2600, {}};
};

class BugReport : public EngineTest {
 protected:
  BugReport() {
    mBugReport::SetOsVersionPort(&os);
    mail->SetVersion("11.0.5608");
    mail->RegisterAddIn("Velmora.Connect", "Velmora");
    mail->RegisterAddIn("Other.Connect", "Other add-in", false);
  }
  ~BugReport() override {
    mBugReport::SetOsVersionPort(nullptr);
    ReleaseDebug();  // its file may lie in the folder about to go
  }

  // A folder of its own, so that no other test's log lies beside the add-in.
  TempDir library{"library"};
  ScopedServices inLibrary{{&clock, &us, &registry, &settings, &files, library.Path()}};

  std::string Expected(std::string_view redemptionDll, std::string_view redemption) {
    return "\r\n\r\n\r\n"
           "---- Please type bug description above this line.Thank you ----\r\n"
           "\r\n"
           "Velmora version: " +
           GetAppVersion() +
           "\r\n"
           "Velmora path: " +
           mBugReport::LibraryFolder() +
           "\r\n"
           "\r\n"
           "OS: Windows NT Win version:5.1 Build: 2600\r\n"
           "Outlook version: 11.0.5608\r\n"
           "\r\n" +
           std::string(redemptionDll) + "\r\n" + std::string(redemption) +
           "\r\n"
           "\r\n"
           "Uses COMAddIns :\r\n"
           "ProgID: Velmora.Connect\r\n"
           "Description: Velmora\r\n"
           "Connect: True\r\n"
           "\r\n"
           "ProgID: Other.Connect\r\n"
           "Description: Other add-in\r\n"
           "Connect: False\r\n"
           "\r\n"
           "\r\n";
  }

  FixedOsVersion os;
};

TEST_F(BugReport, TheMailIsAddressedBuiltLineForLineShownAndNeverSent) {
  CapturedLog log;
  ASSERT_FALSE(std::filesystem::exists(mBugReport::LogFilePath()));
  mBugReport::SendBugReport();
  EXPECT_EQ(log.LineCount(), 0u) << log.Text();
  ASSERT_EQ(app->Inspectors()->Count(), 1);
  auto report = app->ActiveInspector()->CurrentItem();
  EXPECT_EQ(report->To(), "support@velmora.example");
  EXPECT_EQ(report->Subject(), "Velmora Bug Report (Velmora AddIn)");
  EXPECT_EQ(report->Importance(), host::ol::kImportanceHigh);
  EXPECT_EQ(report->Parent()->Name(), Folder(host::ol::kFolderOutbox)->Name());
  EXPECT_EQ(report->Body(),
            Expected("Redemption.dll not in product folder", "Redemption registered"));
  EXPECT_EQ(report->Attachments()->Count(), 0) << "no log, no attachment";
  loop.Drain();
  EXPECT_TRUE(wire.Sent().empty());
}

TEST_F(BugReport, TheSafeSendLibraryBesideTheAddInAndNotCreatableIsReportedSo) {
  { std::ofstream(library.Path() / "Redemption.dll") << "MZ"; }
  mail->SetSafeMailAvailable(false);
  CapturedLog log;
  EXPECT_EQ(mBugReport::BugReportBody(),
            Expected("Redemption.dll ok", "Redemption not registered"));
  EXPECT_TRUE(log.Contains("mBugReport.isRegRedemption"));
}

TEST_F(BugReport, TheSystemsVersionByPlatformAndAFailedQueryGivesEmptyText) {
  EXPECT_EQ(mBugReport::FormatWinVersion({0, 3, 11, 0, {}}),
            "Windows 32s Win version:3.11 Build: 0");
  EXPECT_EQ(mBugReport::FormatWinVersion({1, 4, 10, 2222, {}}),
            "Windows 95/98 Win version:4.10 Build: 2222");
  EXPECT_EQ(mBugReport::FormatWinVersion({3, 10, 0, 19045, {}}), " Win version:10.0 Build: 19045");
  const auto kernel = posix::OsVersionFromRelease("Linux", "6.1.0-18-amd64");
  EXPECT_EQ(mBugReport::FormatWinVersion(kernel), "Linux Win version:6.1 Build: 0");
  const auto odd = posix::OsVersionFromRelease("Odd", "5.15");
  EXPECT_EQ(odd.major, 5u);
  EXPECT_EQ(odd.minor, 15u);
  EXPECT_EQ(odd.build, 0u);
  const auto none = posix::OsVersionFromRelease("Odd", "x.y");
  EXPECT_EQ(none.major, 0u);
  EXPECT_TRUE(posix::UnameOsVersion().Query().has_value());

  os.record.reset();
  EXPECT_EQ(mBugReport::GetWinVersion(), "");
  mBugReport::SetOsVersionPort(nullptr);
  EXPECT_EQ(mBugReport::GetWinVersion(), "");
}

TEST_F(BugReport, TheStandaloneHostKeepsTheReportInDraftsWithTheLogAttached) {
  CapturedLog log;
  g_debug().OutCustomError("Test", "a line for the report");
  ASSERT_TRUE(std::filesystem::exists(mBugReport::LogFilePath()));
  const posix::SavedBugReport saved = posix::SaveBugReportToDrafts(*mail);
  EXPECT_TRUE(saved.logAttached);
  EXPECT_EQ(saved.logPath, mBugReport::LogFilePath());
  auto report = ns->GetItemFromID(saved.entryId);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->Parent()->Name(), Folder(host::ol::kFolderDrafts)->Name());
  EXPECT_EQ(saved.folderPath, Main::GetFolderPath(Folder(host::ol::kFolderDrafts)));
  ASSERT_EQ(report->Attachments()->Count(), 1);
  EXPECT_EQ(report->Attachments()->Item(1)->FileName(), "Velmora.Log");
  EXPECT_GT(report->Attachments()->Item(1)->Size(), 0);
  EXPECT_EQ(report->Body(),
            Expected("Redemption.dll not in product folder", "Redemption registered"));
  EXPECT_EQ(CountIn(Folder(host::ol::kFolderOutbox)), 0);
  EXPECT_EQ(app->Inspectors()->Count(), 0);
}

}  // namespace
}  // namespace velmora::test
