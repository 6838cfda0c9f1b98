// The Windows file-system adapter on a real folder: the file check and the
// enumeration with hidden and system attributes, which the attachment
// resolution (tested natively over a fake) relies on. Last-write times are
// the add-in session's: it attaches the newest file of a real folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/win32/adapters/filesystem_win32.h"
#include "platform/win32/adapters/unicode.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

TEST(Win32FileSystem, FilesAreSeenWithTheirUtf8NamesAttributesAndTimes) {
  const test::TempDir dir("fsw");
  const std::string folder = win32::Narrow(dir.Path().wstring());
  const auto path = [&folder](const std::string& name) { return folder + "\\" + name; };
  const std::string umlaut =
      "\xC3\x9C"
      "berblick.txt";  // Überblick.txt
  struct File {
    std::string name;
    DWORD attributes;
  };
  for (const File& f :
       {File{"plain.txt", FILE_ATTRIBUTE_NORMAL}, File{umlaut, FILE_ATTRIBUTE_NORMAL},
        File{"hidden.txt", FILE_ATTRIBUTE_HIDDEN},
        File{"both.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}}) {
    const HANDLE h = ::CreateFileW(win32::Widen(path(f.name)).c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, f.attributes, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << f.name;
    ::CloseHandle(h);
  }
  ASSERT_TRUE(::CreateDirectoryW(win32::Widen(path("sub")).c_str(), nullptr));

  win32::Win32FileSystem fs;
  for (const std::string& name : {std::string("plain.txt"), umlaut, std::string("hidden.txt")})
    EXPECT_TRUE(fs.FileExists(path(name))) << name;
  for (const std::string& no :
       {path("sub"), path("missing.txt"), path("plain.txt") + std::string(1, '\0') + "x"})
    EXPECT_FALSE(fs.FileExists(no)) << no;

  // The listing as "name:flags" (directory, hidden, system).
  const auto entries = fs.ListFolder(folder);
  ASSERT_TRUE(entries);
  std::set<std::string> listed;
  for (const FileEntry& e : *entries) {
    if (e.name == "." || e.name == "..") continue;  // folders, which the scan skips
    listed.insert(e.name + ":" + (e.directory ? "d" : "") + (e.hidden ? "h" : "") +
                  (e.system ? "s" : ""));
  }
  EXPECT_EQ(listed, (std::set<std::string>{"plain.txt:", umlaut + ":", "hidden.txt:h",
                                           "both.txt:hs", "sub:d"}));
}

}  // namespace
}  // namespace velmora
