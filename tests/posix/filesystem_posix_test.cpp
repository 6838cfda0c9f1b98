// The POSIX file-system adapter on a real temporary folder: only what can be
// attached counts as a file, and listings give what the newest-file choice
// and the ignore switches read.
// The pugixml document behind the standalone host's views: what it must
// refuse without harm, and text that survives the round trip. (Inserting,
// appending and removing columns are checked through the view edits.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/posix/filesystem_posix.h"
#include "platform/posix/xml_pugi.h"
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

TEST(PugiXml, NotWellFormedTextDoesNotLoadAndAFailedLoadKeepsTheDocument) {
  PugiXmlFactory factory;
  EXPECT_FALSE(factory.CreateDocument()->Root()) << "an empty document has no root";
  for (const char* bad : {"", "<view><column></view>", "plain text", "<a/><b/>"})
    EXPECT_FALSE(factory.CreateDocument()->LoadXml(bad)) << bad;
  auto doc = factory.CreateDocument();
  ASSERT_TRUE(doc->LoadXml("<view><column/></view>"));
  EXPECT_FALSE(doc->LoadXml("<broken"));
  EXPECT_EQ(doc->Xml(), "<view><column/></view>");
}

TEST(PugiXml, TextIsEscapedReadFromEveryDescendantAndReplacesTheChildren) {
  PugiXmlFactory factory;
  auto doc = factory.CreateDocument();
  ASSERT_TRUE(doc->LoadXml("<view/>"));
  auto e = doc->CreateElement("heading");
  e->SetText("a<b & \"c\" > d ü");
  doc->Root()->AppendChild(e);
  const std::string xml = doc->Xml();
  EXPECT_EQ(xml.find("a<b"), std::string::npos) << xml;
  auto again = factory.CreateDocument();
  ASSERT_TRUE(again->LoadXml(xml)) << xml;
  EXPECT_EQ(again->Root()->FirstChild("heading")->Text(), "a<b & \"c\" > d ü");

  ASSERT_TRUE(doc->LoadXml("<r><x>one<y>two</y><![CDATA[<three>]]></x></r>"));
  auto x = doc->Root()->FirstChild("x");
  EXPECT_EQ(x->Text(), "onetwo<three>");
  x->SetText("");
  EXPECT_EQ(doc->Xml(), "<r><x/></r>");
}

}  // namespace
}  // namespace velmora::posix
