// The standalone host's folder tree: the root, the default folders, folders
// added by name and kind, and their paths.
#include <gtest/gtest.h>

#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using posix::store_err::kBadIndex;
using posix::store_err::kCollision;
using posix::store_err::kInvalidArgument;

using StoreFolders = MailHostTest;

TEST_F(StoreFolders, DefaultFoldersAreChildrenOfTheRoot) {
  struct Expect {
    int kind;
    const char* name;
  };
  for (const auto& [kind, name] :
       {Expect{3, "Deleted Items"}, Expect{4, "Outbox"}, Expect{5, "Sent Items"},
        Expect{6, "Inbox"}, Expect{16, "Drafts"}}) {
    auto folder = Default(kind);
    ASSERT_TRUE(folder) << kind;
    EXPECT_EQ(folder->Name(), name);
    EXPECT_EQ(folder->Class(), host::ol::kClassFolder);
    EXPECT_EQ(folder->DefaultItemType(), host::ol::kMailItem);
    EXPECT_EQ(folder->Parent()->Name(), "Personal Folders");
  }
  auto root = Inbox()->Parent();
  EXPECT_FALSE(root->Parent());
  EXPECT_EQ(root->Folders()->Count(), 5);
  EXPECT_EQ(Inbox()->EntryID(), ns->GetDefaultFolder(6)->EntryID());
  EXPECT_EQ(ErrorOf([&] { Default(9); }), kInvalidArgument);
}

TEST_F(StoreFolders, ANameInUseUnderTheSameParentIsRefused) {
  auto root = Inbox()->Parent();
  root->Folders()->Add("Velmora", host::ol::kFolderDrafts);
  EXPECT_EQ(ErrorOf([&] { root->Folders()->Add("Velmora", host::ol::kFolderDrafts); }), kCollision);
  EXPECT_EQ(ErrorOf([&] { root->Folders()->Add("Inbox", host::ol::kFolderDrafts); }), kCollision);
  // Letter case tells folders apart, and another parent may use the name.
  root->Folders()->Add("velmora", host::ol::kFolderDrafts);
  Inbox()->Folders()->Add("Velmora", host::ol::kFolderDrafts);
  EXPECT_EQ(root->Folders()->Count(), 7);
}

TEST_F(StoreFolders, FolderTypeSaysWhatTheFolderHoldsAndFoldersListInTheOrderMade) {
  auto folders = Inbox()->Parent()->Folders();
  EXPECT_EQ(folders->Add("Mail", host::ol::kFolderDrafts)->DefaultItemType(), host::ol::kMailItem);
  EXPECT_EQ(folders->Add("People", 10)->DefaultItemType(), host::ol::kContactItem);
  EXPECT_EQ(folders->Add("Dates", 9)->DefaultItemType(), host::ol::kAppointmentItem);
  EXPECT_EQ(ErrorOf([&] { folders->Add("Odd", 99); }), kInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { folders->Add("", host::ol::kFolderDrafts); }), kInvalidArgument);
  EXPECT_EQ(folders->Count(), 8);
  EXPECT_EQ(folders->Item(6)->Name(), "Mail");
  EXPECT_EQ(folders->Item(8)->Name(), "Dates");
  EXPECT_EQ(ErrorOf([&] { folders->Item(9); }), kBadIndex);
}

}  // namespace
}  // namespace velmora::test
