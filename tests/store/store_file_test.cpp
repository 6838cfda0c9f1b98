// The mail store as a file: what it keeps across a reopen, the file's
// privacy, files it must not touch, and two connections or two processes
// writing to one store at once.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "platform/posix/host/mail_host.h"
#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

using posix::MailHost;

class StoreFile : public ::testing::Test {
 protected:
  TempDir dir{"store"};
  std::filesystem::path path = dir.Path() / "data" / "store.db";
  ManualClock clock;

  std::unique_ptr<MailHost> Open() { return MailHost::Open(path, {.clock = &clock}); }

  static host::FolderPtr Folder(MailHost& m, int kind) {
    return m.App()->GetNamespace("MAPI")->GetDefaultFolder(kind);
  }

  // Adds `count` mails with a numbered property to the Inbox.
  static void AddMails(MailHost& m, const std::string& tag, int count) {
    auto inbox = Folder(m, host::ol::kFolderInbox);
    for (int i = 0; i < count; ++i) {
      auto item = inbox->Items()->Add(host::ol::kMailItem);
      item->SetSubject(tag + std::to_string(i));
      item->UserProperties()->Add("N", host::ol::kNumber)->SetValue(static_cast<double>(i));
      item->Save();
    }
  }

  std::string IntegrityCheck() {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr);
    std::string result;
    if (sqlite3_step(s) == SQLITE_ROW)
      result = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return result;
  }
};

TEST_F(StoreFile, EverythingIsThereAfterAReopen) {
  std::string id;
  {
    auto m = Open();
    m->SetVersion("11.0.5608");
    auto root = Folder(*m, host::ol::kFolderInbox)->Parent();
    auto velmora = root->Folders()->Add("Velmora", host::ol::kFolderDrafts);
    auto item = velmora->Items()->Add(host::ol::kMailItem);
    item->SetSubject("kept");
    item->SetTo("ann@example.com");
    item->UserProperties()
        ->Add("ScheduleTime", host::ol::kDateTime)
        ->SetValue(DateTime::FromParts(2027, 3, 1, 8, 0, 0));
    std::ofstream(dir / "a.txt") << "attached";
    item->Attachments()->Add(dir / "a.txt", "a.txt");
    item->Save();
    id = item->EntryID();
    velmora->Views()->Add("Velmora View", 0, 0)->Apply();
    m->OpenExplorer()->Panes()->Item(1)->Contents()->Groups()->Item(1)->Shortcuts()->Add(velmora,
                                                                                         "Velmora");
  }
  auto m = Open();
  auto app = m->App();
  EXPECT_EQ(app->Version(), "11.0.5608");
  auto item = app->GetNamespace("MAPI")->GetItemFromID(id);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->Subject(), "kept");
  EXPECT_EQ(item->Parent()->FolderPath(), "\\\\Personal Folders\\Velmora");
  EXPECT_EQ(std::get<DateTime>(item->UserProperties()->Find("ScheduleTime")->GetValue()),
            DateTime::FromParts(2027, 3, 1, 8, 0, 0));
  ASSERT_EQ(item->Attachments()->Count(), 1);
  EXPECT_EQ(item->Attachments()->Item(1)->Size(), 8);
  EXPECT_EQ(m->ViewAppliedCount(item->Parent(), "Velmora View"), 1);
  auto shortcuts = m->OpenExplorer()->Panes()->Item(1)->Contents()->Groups()->Item(1)->Shortcuts();
  ASSERT_EQ(shortcuts->Count(), 1);
  EXPECT_EQ(shortcuts->Item(1)->Name(), "Velmora");
  EXPECT_EQ(item->Parent()->Parent()->Folders()->Count(), 6);
}

TEST_F(StoreFile, EachFieldChangedAloneIsSavedAndReadAfterAReopen) {
  std::string id;
  {
    auto m = Open();
    auto item = Folder(*m, host::ol::kFolderDrafts)->Items()->Add(host::ol::kMailItem);
    item->SetSubject("fields");
    item->Save();
    id = item->EntryID();
  }
  const auto change = [&](const std::function<void(host::MailItem&)>& f) {
    auto m = Open();
    auto item = m->App()->GetNamespace("MAPI")->GetItemFromID(id);
    f(*item);
    item->Save();
  };
  change([](host::MailItem& i) { i.SetBCC("hidden@example.com"); });
  change([](host::MailItem& i) { i.SetCC("carl@example.com"); });
  change([](host::MailItem& i) { i.SetImportance(host::ol::kImportanceHigh); });
  {
    posix::ItemChanges c;  // no object of the host sets the sender
    c.entryId = id;
    c.fieldMask = posix::field::kFrom;
    c.fields.from = "me@example.net";
    Open()->Store().SaveItem(c, clock.Now());
  }
  const auto r = Open()->Store().LoadItem(id);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->fields.subject, "fields");
  EXPECT_EQ(r->fields.bcc, "hidden@example.com");
  EXPECT_EQ(r->fields.cc, "carl@example.com");
  EXPECT_EQ(r->fields.importance, host::ol::kImportanceHigh);
  EXPECT_EQ(r->fields.from, "me@example.net");
}

TEST_F(StoreFile, FileIsPrivateToTheUser) {
  Open();
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(path.parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(StoreFile, AFileThatIsNoStoreIsRefusedAndLeftAlone) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << "these are someone's notes, not a database";
  EXPECT_EQ(ErrorOf([&] { Open(); }), posix::store_err::kFailed);
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "these are someone's notes, not a database");
}

TEST_F(StoreFile, AStoreOfANewerVersionIsRefused) {
  Open();
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(ErrorOf([&] { Open(); }), posix::store_err::kFailed);
}

TEST_F(StoreFile, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kEach = 60;
  Open();  // created before the race, as the host's first start does
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int code = 0;
    try {
      auto m = Open();
      AddMails(*m, "child-", kEach);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child: %s\n", e.what());
      code = 1;
    }
    ::_exit(code);
  }
  {
    auto m = Open();
    AddMails(*m, "parent-", kEach);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  auto m = Open();
  auto items = Folder(*m, host::ol::kFolderInbox)->Items();
  ASSERT_EQ(items->Count(), 2 * kEach);
  std::set<std::string> subjects;
  std::set<std::string> ids;
  for (int i = 1; i <= items->Count(); ++i) {
    auto item = items->Item(i);
    subjects.insert(item->Subject());
    ids.insert(item->EntryID());
    const auto n = std::get<double>(item->UserProperties()->Find("N")->GetValue());
    EXPECT_EQ(item->Subject().substr(item->Subject().find('-') + 1),
              std::to_string(static_cast<int>(n)));
  }
  EXPECT_EQ(subjects.size(), 2u * kEach);
  EXPECT_EQ(ids.size(), 2u * kEach);
  EXPECT_EQ(IntegrityCheck(), "ok");
}

TEST_F(StoreFile, TwoProcessesCreatingANewStoreMakeItOnce) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int code = 0;
    try {
      Open();
    } catch (...) {
      code = 1;
    }
    ::_exit(code);
  }
  auto m = Open();
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Folder(*m, host::ol::kFolderInbox)->Parent()->Folders()->Count(), 5);
}

}  // namespace
}  // namespace velmora::test
