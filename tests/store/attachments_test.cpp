// Attachments of standalone host items: the file's bytes are embedded when
// added, so the file may go away; a missing or oversized file raises.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/posix/host/mail_item.h"
#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

using posix::store_err::kFileNotFound;

class StoreAttachments : public MailHostTest {
 protected:
  TempDir dir;
  host::MailItemPtr item = SavedMail(Drafts(), "with files");

  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  }
  std::string StoredBytes(std::size_t index) {
    auto record = mail->Store().LoadItem(item->EntryID());
    return mail->Store().AttachmentBytes(record->attachments.at(index).id);
  }
  int StoredCount() { return ns->GetItemFromID(item->EntryID())->Attachments()->Count(); }
};

TEST_F(StoreAttachments, TheBytesAreTakenWhenAdded) {
  const std::string bytes("report\0\xff\x01 end", 13);
  const auto path = Write("report.pdf", bytes);
  item->Attachments()->Add(path, "Q4 report.pdf");
  std::filesystem::remove(path);  // gone before the save: the bytes are in the item
  const auto log = Write("log.txt", "before");
  item->Attachments()->Add(log, "");
  Write("log.txt", "after, and longer");
  item->Save();

  auto stored = ns->GetItemFromID(item->EntryID())->Attachments();
  ASSERT_EQ(stored->Count(), 2);
  EXPECT_EQ(stored->Item(1)->DisplayName(), "Q4 report.pdf");
  EXPECT_EQ(stored->Item(1)->FileName(), "report.pdf");
  EXPECT_EQ(stored->Item(1)->Size(), 13);
  EXPECT_EQ(StoredBytes(0), bytes);
  EXPECT_EQ(StoredBytes(1), "before");
  EXPECT_EQ(stored->Item(2)->DisplayName(), "log.txt");
}

TEST_F(StoreAttachments, AMissingOversizedOrFolderSourceRaisesAndAddsNothing) {
  for (const std::string& source : {dir / "nowhere.txt", dir.Path().string(), std::string()})
    EXPECT_EQ(ErrorOf([&] { item->Attachments()->Add(source, "x"); }), kFileNotFound);
  const auto huge = dir / "huge.iso";
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, 1'000'000'001);  // sparse: no disk used
  EXPECT_EQ(ErrorOf([&] { item->Attachments()->Add(huge, "huge.iso"); }),
            posix::store_err::kInvalidArgument);
  EXPECT_EQ(item->Attachments()->Count(), 0);
}

TEST_F(StoreAttachments, UnsavedAttachmentsGoWithADiscardAndStayAfterAFailedSave) {
  item->Attachments()->Add(Write("a.txt", "a"), "a.txt");
  EXPECT_EQ(StoredCount(), 0);
  item->Close(host::ol::kDiscard);
  EXPECT_EQ(item->Attachments()->Count(), 0);
  item->Save();
  EXPECT_EQ(StoredCount(), 0);

  item->Attachments()->Add(Write("keep.txt", "keep"), "keep.txt");
  ns->GetItemFromID(item->EntryID())->Delete();
  ns->GetItemFromID(item->EntryID())->Delete();
  EXPECT_NE(ErrorOf([&] { item->Save(); }), 0);
  EXPECT_TRUE(dynamic_cast<posix::HostMailItem&>(*item).Dirty());
  EXPECT_EQ(item->Attachments()->Count(), 1);
}

}  // namespace
}  // namespace velmora::test
