// The POSIX file-system adapter on a real temporary folder: only what can be
// attached counts as a file, and listings give what the newest-file choice
// and the ignore switches read.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/posix/filesystem_posix.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

namespace fs = std::filesystem;

TEST(PosixFileSystemTest, OnlyRegularFilesOrLinksToThemExistAndArePassedOverInListings) {
  test::TempDir dir("fs");
  PosixFileSystem files;
  const std::string file = dir / "a.txt";
  std::ofstream(file) << "x";
  std::ofstream(dir / ".profile") << "x";
  fs::create_directory(dir.Path() / "sub");
  fs::create_symlink(file, dir.Path() / "link");
  fs::create_symlink(dir / "nothing", dir.Path() / "dangling");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);  // must not block
  const struct timespec times[2] = {{1700000000, 123456789}, {1700000000, 123456789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

  EXPECT_TRUE(files.FileExists(file));
  EXPECT_TRUE(files.FileExists(dir / "link"));
  for (const std::string& no : {dir.Path().string(), dir / "missing", dir / "dangling",
                                dir / "pipe", std::string(), file + std::string(1, '\0') + "x"})
    EXPECT_FALSE(files.FileExists(no)) << no;

  const auto listed = files.ListFolder(dir.Path().string());
  ASSERT_TRUE(listed);
  std::map<std::string, FileEntry> by;
  for (const auto& e : *listed)
    by[e.name] = e;
  std::string names;
  for (const auto& [name, e] : by)
    names += name + (e.directory ? "/ " : " ");
  EXPECT_EQ(names, "./ ../ .profile a.txt link sub/ ");
  EXPECT_FALSE(by["a.txt"].hidden || by["a.txt"].system);
  EXPECT_EQ(by["a.txt"].lastWrite, 1700000000LL * 1000000000 + 123456789);
  EXPECT_TRUE(by[".profile"].hidden && by[".profile"].system);
}

}  // namespace
}  // namespace velmora::posix
