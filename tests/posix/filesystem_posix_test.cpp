// The POSIX file-system adapter on a real temporary folder.
#include "platform/posix/filesystem_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_dir.h"

namespace velmora::test {
namespace {

class PosixFileSystemTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text = "x") {
    const std::string path = dir_ / name;
    std::ofstream(path) << text;
    return path;
  }
  const FileEntry* Entry(const std::vector<FileEntry>& entries, const std::string& name) {
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&name](const FileEntry& e) { return e.name == name; });
    return it == entries.end() ? nullptr : &*it;
  }

  TempDir dir_{"fs"};
  posix::PosixFileSystem fs_;
};

TEST_F(PosixFileSystemTest, FileExistsOnlyForRegularFiles) {
  EXPECT_EQ(fs_.Separator(), '/');
  const std::string file = Write("a.txt");
  EXPECT_TRUE(fs_.FileExists(file));
  EXPECT_TRUE(fs_.FileExists(Write("empty.txt", "")));
  EXPECT_FALSE(fs_.FileExists(dir_.Path().string()));
  EXPECT_FALSE(fs_.FileExists(dir_ / "missing.txt"));
  EXPECT_FALSE(fs_.FileExists(""));
  EXPECT_FALSE(fs_.FileExists(std::string(file) + std::string(1, '\0') + "x"));

  std::filesystem::create_symlink(file, dir_.Path() / "link");
  EXPECT_TRUE(fs_.FileExists(dir_ / "link"));
  std::filesystem::create_symlink(dir_ / "nothing", dir_.Path() / "dangling");
  EXPECT_FALSE(fs_.FileExists(dir_ / "dangling"));
}

TEST_F(PosixFileSystemTest, NamedPipeIsNotAFileAndDoesNotBlock) {
  const std::string pipe = dir_ / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(fs_.FileExists(pipe));
  const auto entries = fs_.ListFolder(dir_.Path().string());
  ASSERT_TRUE(entries);
  EXPECT_EQ(Entry(*entries, "pipe"), nullptr);
}

TEST_F(PosixFileSystemTest, ListingGivesKindsMarksAndNanosecondTimes) {
  const std::string a = Write("a.txt");
  Write(".profile");
  std::filesystem::create_directory(dir_.Path() / "sub");
  const struct timespec times[2] = {{1700000000, 123456789}, {1700000000, 123456789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), times, 0), 0);

  const auto entries = fs_.ListFolder(dir_.Path().string());
  ASSERT_TRUE(entries);
  EXPECT_EQ(entries->size(), 5u);  // ., .., a.txt, .profile, sub

  const FileEntry* file = Entry(*entries, "a.txt");
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(file->directory);
  EXPECT_FALSE(file->hidden || file->system);
  EXPECT_EQ(file->lastWrite, 1700000000LL * 1000000000 + 123456789);

  const FileEntry* dot = Entry(*entries, ".profile");
  ASSERT_NE(dot, nullptr);
  EXPECT_TRUE(dot->hidden && dot->system);
  EXPECT_FALSE(dot->directory);

  for (const char* d : {".", "..", "sub"}) {
    const FileEntry* e = Entry(*entries, d);
    ASSERT_NE(e, nullptr) << d;
    EXPECT_TRUE(e->directory) << d;
  }
}

TEST_F(PosixFileSystemTest, ListingFollowsLinksAndLeavesOutDanglingOnes) {
  const std::string target = Write("target.txt");
  std::filesystem::create_directory(dir_.Path() / "in");
  std::filesystem::create_symlink(target, dir_.Path() / "in" / "link.txt");
  std::filesystem::create_symlink(dir_ / "gone", dir_.Path() / "in" / "dangling.txt");
  const auto entries = fs_.ListFolder(dir_ / "in");
  ASSERT_TRUE(entries);
  ASSERT_NE(Entry(*entries, "link.txt"), nullptr);
  EXPECT_FALSE(Entry(*entries, "link.txt")->directory);
  EXPECT_EQ(Entry(*entries, "dangling.txt"), nullptr);
}

}  // namespace
}  // namespace velmora::test
