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
#include "support/captured_log.h"

namespace velmora::test {
namespace {

class FixedOsVersion final : public OsVersionPort {
 public:
  std::optional<OsVersionRecord> Query() override { return OsVersionRecord{2, 5, 1, 2600, {}}; }
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
  FixedOsVersion os;

  static std::string Expected(const std::string& redemptionDll, const std::string& redemption) {
    return "\r\n\r\n\r\n---- Please type bug description above this line.Thank you ----\r\n\r\n"
           "Velmora version: " +
           GetAppVersion() + "\r\nVelmora path: " + mBugReport::LibraryFolder() +
           "\r\n\r\nOS: Windows NT Win version:5.1 Build: 2600\r\nOutlook version: "
           "11.0.5608\r\n\r\n" +
           redemptionDll + "\r\n" + redemption +
           "\r\n\r\nUses COMAddIns :\r\n"
           "ProgID: Velmora.Connect\r\nDescription: Velmora\r\nConnect: True\r\n\r\n"
           "ProgID: Other.Connect\r\nDescription: Other add-in\r\nConnect: False\r\n\r\n\r\n";
  }
};

TEST_F(BugReport, ShownWithoutTheAbsentLogNeverSentAndKeptInDraftsWithTheLog) {
  CapturedLog log;
  ASSERT_FALSE(std::filesystem::exists(mBugReport::LogFilePath()));
  mBugReport::SendBugReport();
  ASSERT_EQ(app->Inspectors()->Count(), 1);
  auto report = app->ActiveInspector()->CurrentItem();
  EXPECT_EQ(report->To(), "support@velmora.example");
  EXPECT_EQ(report->Subject(), "Velmora Bug Report (Velmora AddIn)");
  EXPECT_EQ(report->Importance(), host::ol::kImportanceHigh);
  EXPECT_EQ(report->Body(),
            Expected("Redemption.dll not in product folder", "Redemption registered"));
  EXPECT_EQ(report->Attachments()->Count(), 0) << "no log, no attachment";
  loop.Drain();
  EXPECT_TRUE(wire.Sent().empty());
  report->Close(host::ol::kDiscard);

  // The standalone host's copy, with the log that now exists.
  g_debug().OutCustomError("Test", "a line for the report");
  const posix::SavedBugReport saved = posix::SaveBugReportToDrafts(*mail);
  EXPECT_TRUE(saved.logAttached);
  auto draft = ns->GetItemFromID(saved.entryId);
  ASSERT_TRUE(draft);
  EXPECT_EQ(Main::GetFolderPath(draft->Parent()),
            Main::GetFolderPath(Folder(host::ol::kFolderDrafts)));
  EXPECT_EQ(saved.folderPath, Main::GetFolderPath(draft->Parent()));
  ASSERT_EQ(draft->Attachments()->Count(), 1);
  EXPECT_EQ(draft->Attachments()->Item(1)->FileName(), "Velmora.Log");
  EXPECT_GT(draft->Attachments()->Item(1)->Size(), 0);
  EXPECT_EQ(CountIn(Folder(host::ol::kFolderOutbox)), 0);
  EXPECT_EQ(app->Inspectors()->Count(), 0) << "the standalone host's copy is not shown";

  // The safe-send library beside the add-in, and not creatable.
  { std::ofstream(library.Path() / "Redemption.dll") << "MZ"; }
  mail->SetSafeMailAvailable(false);
  EXPECT_EQ(mBugReport::BugReportBody(),
            Expected("Redemption.dll ok", "Redemption not registered"));
}

}  // namespace
}  // namespace velmora::test
