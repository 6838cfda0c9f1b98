// The mail store as a file: what it keeps across a reopen, the file's
// privacy, files it must not touch, and two processes writing to one store
// at once.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
  // Runs `f` in a child process while the parent runs `g`; the child must end well.
  static void InTwoProcesses(const std::function<void()>& f, const std::function<void()>& g) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        f();
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    g();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
};

TEST_F(StoreFile, EachFieldChangedAloneIsSavedAndReadAfterAReopen) {
  std::string id;
  {
    auto m = Open();
    auto folder = Folder(*m, host::ol::kFolderInbox)->Parent()->Folders()->Add("Velmora", 16);
    auto item = folder->Items()->Add(host::ol::kMailItem);
    item->SetSubject("fields");
    item->UserProperties()
        ->Add("ScheduleTime", host::ol::kDateTime)
        ->SetValue(DateTime::FromParts(2027, 3, 1, 8, 0, 0));
    std::ofstream(dir / "a.txt") << "attached";
    item->Attachments()->Add(dir / "a.txt", "a.txt");
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
  auto m = Open();
  const auto r = m->Store().LoadItem(id);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->fields.subject, "fields");
  EXPECT_EQ(r->fields.bcc, "hidden@example.com");
  EXPECT_EQ(r->fields.cc, "carl@example.com");
  EXPECT_EQ(r->fields.importance, host::ol::kImportanceHigh);
  EXPECT_EQ(r->fields.from, "me@example.net");
  auto item = m->App()->GetNamespace("MAPI")->GetItemFromID(id);
  EXPECT_EQ(item->Parent()->FolderPath(), "\\\\Personal Folders\\Velmora");
  EXPECT_EQ(std::get<DateTime>(item->UserProperties()->Find("ScheduleTime")->GetValue()),
            DateTime::FromParts(2027, 3, 1, 8, 0, 0));
  ASSERT_EQ(item->Attachments()->Count(), 1);
  EXPECT_EQ(item->Attachments()->Item(1)->Size(), 8);
}

// A file that is no store is StoreOpen's.
TEST_F(StoreFile, TheFileIsPrivateAndANewerStoreIsRefused) {
  Open();
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(path.parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(ErrorOf([&] { Open(); }), posix::store_err::kFailed);
}

TEST_F(StoreFile, TwoProcessesCreatingAndWritingAtOnceLoseNothing) {
  InTwoProcesses([&] { Open(); }, [&] { Open(); });
  EXPECT_EQ(Folder(*Open(), host::ol::kFolderInbox)->Parent()->Folders()->Count(), 5);

  constexpr int kEach = 60;
  const auto add = [&](const std::string& tag) {
    auto m = Open();
    auto inbox = Folder(*m, host::ol::kFolderInbox);
    for (int i = 0; i < kEach; ++i) {
      auto item = inbox->Items()->Add(host::ol::kMailItem);
      item->SetSubject(tag + std::to_string(i));
      item->UserProperties()->Add("N", host::ol::kNumber)->SetValue(static_cast<double>(i));
      item->Save();
    }
  };
  InTwoProcesses([&] { add("child-"); }, [&] { add("parent-"); });
  auto m = Open();
  auto items = Folder(*m, host::ol::kFolderInbox)->Items();
  ASSERT_EQ(items->Count(), 2 * kEach);
  std::set<std::string> subjects;
  for (int i = 1; i <= items->Count(); ++i) {
    auto item = items->Item(i);
    const auto n = std::get<double>(item->UserProperties()->Find("N")->GetValue());
    subjects.insert(item->Subject().substr(0, item->Subject().find('-') + 1) +
                    std::to_string(static_cast<int>(n)));
  }
  EXPECT_EQ(subjects.size(), 2u * kEach) << "a mail lost, doubled or given another's property";
}

}  // namespace
}  // namespace velmora::test
