// The Windows file-system adapter on a real folder: the file check and the
// enumeration with hidden and system attributes and last-write times, which
// the attachment resolution (tested natively over a fake) relies on.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "platform/win32/adapters/filesystem_win32.h"
#include "platform/win32/adapters/unicode.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  std::string Folder() const { return win32::Narrow(dir_.Path().wstring()); }
  std::string PathOf(const std::string& name) const { return Folder() + "\\" + name; }

  // An empty file with the given last-write time (FILETIME ticks) and attributes.
  std::string Write(const std::string& name, std::uint64_t ticks, DWORD attributes = 0) {
    const std::string path = PathOf(name);
    const HANDLE h =
        ::CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                      attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
    const FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    EXPECT_TRUE(h != INVALID_HANDLE_VALUE && ::SetFileTime(h, nullptr, nullptr, &t)) << path;
    ::CloseHandle(h);
    return path;
  }
  void MakeFolder(const std::string& name) {
    EXPECT_TRUE(::CreateDirectoryW(win32::Widen(PathOf(name)).c_str(), nullptr));
  }
  static const FileEntry* Entry(const std::vector<FileEntry>& entries, const std::string& name) {
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&name](const FileEntry& e) { return e.name == name; });
    return it == entries.end() ? nullptr : &*it;
  }

  test::TempDir dir_{"fsw"};
  win32::Win32FileSystem fs_;
};

constexpr std::uint64_t kTen = 133000000000000000ULL;  // some day in 2022

TEST_F(Win32FileSystemTest, FilesAreSeenWithTheirUtf8NamesAttributesAndTimes) {
  const std::string plain = Write("plain.txt", kTen + 1);
  Write("hidden.txt", kTen, FILE_ATTRIBUTE_HIDDEN);
  Write("both.txt", kTen, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  const std::string umlaut =
      "\xC3\x9C"
      "berblick.txt";  // Überblick.txt
  MakeFolder("sub");

  EXPECT_TRUE(fs_.FileExists(plain));
  EXPECT_TRUE(fs_.FileExists(Write(umlaut, kTen)));
  EXPECT_TRUE(fs_.FileExists(PathOf("hidden.txt")));
  for (const std::string& no : {Folder(), PathOf("sub"), PathOf("missing.txt"), std::string(),
                                plain + std::string(1, '\0') + "x"})
    EXPECT_FALSE(fs_.FileExists(no)) << no;

  const auto entries = fs_.ListFolder(Folder());
  ASSERT_TRUE(entries);
  struct Row {
    const char* name;
    bool directory, hidden, system;
  };
  for (const Row& row :
       {Row{"plain.txt", false, false, false}, Row{"hidden.txt", false, true, false},
        Row{"both.txt", false, true, true}, Row{"sub", true, false, false}}) {
    const FileEntry* e = Entry(*entries, row.name);
    ASSERT_NE(e, nullptr) << row.name;
    EXPECT_EQ(std::tuple(e->directory, e->hidden, e->system),
              std::tuple(row.directory, row.hidden, row.system))
        << row.name;
  }
  EXPECT_EQ(Entry(*entries, "plain.txt")->lastWrite, static_cast<std::int64_t>(kTen + 1));
  EXPECT_NE(Entry(*entries, umlaut), nullptr);
}

}  // namespace
}  // namespace velmora
