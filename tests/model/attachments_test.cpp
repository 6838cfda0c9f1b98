// Attachment resolution: file sources, folder sources giving their newest
// eligible file, the ignore list and the hidden-and-system switch, and what
// happens when a source is gone or broken.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "addin/model/file_utils.h"
#include "addin/model/ignore_list.h"
#include "addin/model/mail_props.h"
#include "common/services.h"
#include "support/captured_log.h"

namespace velmora::test {
namespace {

using Paths = std::vector<std::string>;

// Folders and files held in memory, with the attributes and times that a
// real disk here cannot be given; Windows separators.
class FakeFileSystem final : public FileSystem {
 public:
  char Separator() const override { return '\\'; }
  bool FileExists(std::string_view path) override { return files.count(std::string(path)) != 0; }
  std::optional<std::vector<FileEntry>> ListFolder(std::string_view folder) override {
    auto it = folders.find(std::string(folder));
    if (it == folders.end()) return std::nullopt;
    return it->second;
  }

  std::map<std::string, std::vector<FileEntry>> folders;
  std::map<std::string, bool> files;
};

FileEntry File(std::string name, std::int64_t time, bool hidden = false, bool system = false) {
  return FileEntry{std::move(name), false, hidden, system, time};
}
FileEntry Dir(std::string name, std::int64_t time) {
  return FileEntry{std::move(name), true, false, false, time};
}

class AttachmentTest : public ::testing::Test {
 protected:
  AttachmentTest() : services_(Services{.files = &fs_, .logFolder = GetServices().logFolder}) {
    g_IgnoreList = std::make_unique<CIgnoreList>();
    g_IgnoreList->FromString("thumbs.db");
  }
  ~AttachmentTest() override { g_IgnoreList.reset(); }

  Paths Resolve(Paths sources) {
    CMailProps p;
    p.m_collAttachments = std::move(sources);
    return p.GetResolvedAttachments();
  }

  FakeFileSystem fs_;
  ScopedServices services_;
};

TEST_F(AttachmentTest, AFolderGivesItsNewestEligibleFile) {
  // (The newest file at each occurrence: the SMTP end-to-end run.)
  // Equal times keep the one listed first.
  fs_.folders["C:\\out"] = {File("z.txt", 500), File("a.txt", 500), File("m.txt", 499)};
  EXPECT_EQ(Main::GetNewestFile("C:\\out"), "C:\\out\\z.txt");

  // Neither ignored names nor sub-folders, however new.
  fs_.folders["C:\\pics"] = {Dir("newer", 9999), File("Thumbs.db", 5000)};
  EXPECT_EQ(Resolve({"C:\\pics\\"}), Paths{});
  fs_.folders["C:\\pics"].push_back(File("photo.jpg", 10));
  EXPECT_EQ(Main::GetNewestFile("C:\\pics"), "C:\\pics\\photo.jpg");

  // Hidden and system together are passed over only with the switch on;
  // one of the two marks alone is kept either way.
  fs_.folders["C:\\f"] = {File("plain.txt", 1), File("hidden.txt", 2, true, false),
                          File("sys.txt", 3, false, true), File("both.txt", 4, true, true)};
  EXPECT_EQ(Main::GetNewestFile("C:\\f"), "C:\\f\\sys.txt");
  g_IgnoreList->SetIgnoreSysHiden(false);
  EXPECT_EQ(Main::GetNewestFile("C:\\f"), "C:\\f\\both.txt");
}

TEST_F(AttachmentTest, MissingSourcesAreDroppedAndTheOthersKeptInOrder) {
  CapturedLog log;
  fs_.files["C:\\r\\a.txt"] = true;
  fs_.files["C:\\r\\c.txt"] = true;
  fs_.folders["C:\\empty"] = {Dir(".", 0), Dir("..", 0)};
  fs_.folders["C:\\out"] = {File("n.txt", 7)};
  EXPECT_EQ(Resolve({"C:\\r\\c.txt", "C:\\gone.txt", "C:\\empty\\", "C:\\out\\", "C:\\nowhere\\",
                     "C:\\r\\a.txt", "C:\\out\\"}),
            (Paths{"C:\\r\\c.txt", "C:\\out\\n.txt", "C:\\r\\a.txt", "C:\\out\\n.txt"}));
  // (Folder sources closed by '/': the SMTP end-to-end run.)
}

}  // namespace
}  // namespace velmora::test
