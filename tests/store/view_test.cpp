// Table views on the standalone host: the default view a mail folder gets,
// a definition kept only when well-formed and saved, and the scheduled-mail
// folder's view: made for a new folder, repaired once per load in an old
// one, and left alone on hosts or in XML texts where nothing may change.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "addin/store/folder.h"
#include "addin/store/view.h"
#include "addin/store/xml.h"
#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"
#include "store/velmora_folder_fixture.h"

namespace velmora {
namespace {

const std::string kFrom = "urn:schemas:httpmail:fromname";
const std::string kTo = "urn:schemas:httpmail:displayto";
const std::string kSchedule =
    "http://schemas.microsoft.com/mapi/string/{00020329-0000-0000-C000-000000000046}/ScheduleTime";

// Each column as "name=text" of its children, read with pugixml directly so
// that the check does not rest on the adapter under test.
using Column = std::vector<std::string>;
std::vector<Column> Columns(const std::string& xml) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(xml.c_str())) << xml;
  std::vector<Column> out;
  for (auto c : doc.document_element().children("column")) {
    out.emplace_back();
    for (auto child : c.children())
      out.back().push_back(std::string(child.name()) + "=" + child.text().get());
  }
  return out;
}
std::vector<std::string> Props(const std::string& xml) {
  std::vector<std::string> out;
  for (const auto& col : Columns(xml))
    for (const auto& child : col)
      if (child.starts_with("prop=")) out.push_back(child.substr(5));
  return out;
}

const Column kRecipientsColumn{"Heading=To", "prop=" + kTo, "width=40", "type=string"};
const Column kScheduleColumn{"Heading=ScheduleTime", "prop=" + kSchedule, "width=100",
                             "type=datetime", "userheading=Next Occurrence"};

class FolderView : public test::VelmoraFolderTest {
 protected:
  // A mail folder named Velmora as a user or an older load left it: with the
  // host's default table view under the add-in's view name.
  host::FolderPtr OldFolder() {
    auto folder = Root()->Folders()->Add("Velmora", host::ol::kFolderDrafts);
    folder->Views()->Add("Velmora View", host::ol::kTableView, 0);
    return folder;
  }
  static host::ViewPtr View(const host::FolderPtr& f) { return f->Views()->Item("Velmora View"); }
  static std::string Xml(const host::FolderPtr& f) { return View(f)->Xml(); }
  int Applied(const host::FolderPtr& f) { return mail->ViewAppliedCount(f, "Velmora View"); }
};

TEST_F(FolderView, ANewFolderOrOneWithoutTheViewGetsItAppliedOnce) {
  auto folder = Main::GetVelmoraFolder(true);
  ASSERT_TRUE(folder);
  const std::string xml = Xml(folder);
  const auto columns = Columns(xml);
  const auto props = Props(xml);
  EXPECT_EQ(std::count(props.begin(), props.end(), kFrom), 0);
  EXPECT_EQ(columns.back(), kScheduleColumn);
  EXPECT_EQ(std::count(columns.begin(), columns.end(), kRecipientsColumn), 1);
  Main::UpdateView(folder);
  EXPECT_EQ(Xml(folder), xml) << "an up-to-date view changed";
  EXPECT_EQ(Applied(folder), 1);

  auto bare = folder->Folders()->Add("Bare", host::ol::kFolderDrafts);
  Main::UpdateView(bare);
  EXPECT_EQ(Props(Xml(bare)), props);
}

TEST_F(FolderView, TheDefaultViewIsRepairedInPlaceOncePerLoad) {
  auto folder = OldFolder();
  const auto before = Props(Xml(folder));
  const auto from = std::find(before.begin(), before.end(), kFrom) - before.begin();
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  auto expected = before;
  expected[from] = kTo;
  expected.push_back(kSchedule);
  EXPECT_EQ(Props(Xml(folder)), expected);
  const auto columns = Columns(Xml(folder));
  EXPECT_EQ(columns[from], kRecipientsColumn);
  EXPECT_EQ(columns.back(), kScheduleColumn);
  EXPECT_EQ(Applied(folder), 1);

  // Looked over once per load: later calls leave it alone.
  Xml::RemoveColumn(View(folder), kSchedule);
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(Props(Xml(folder)).size(), expected.size() - 1);
  Main::ResetVelmoraFolderLookup();
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(Props(Xml(folder)), expected);
  EXPECT_EQ(Applied(folder), 2);

  // No sender column to take the place of: the recipients go last.
  auto other = folder->Folders()->Add("Other", host::ol::kFolderDrafts);
  Xml::RemoveColumn(other->Views()->Add("Velmora View", host::ol::kTableView, 0), kFrom);
  Main::UpdateView(other);
  const auto props = Props(Xml(other));
  ASSERT_GE(props.size(), 2u);
  EXPECT_EQ(props[props.size() - 2], kTo);
  EXPECT_EQ(props.back(), kSchedule);
}

TEST_F(FolderView, TheOldestHostOrMalformedXmlIsLeftAlone) {
  auto folder = OldFolder();
  const std::string xml = Xml(folder);
  mail->SetVersion("9.0.0.2711");
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  Main::UpdateView(folder);
  Main::CustomizeView(folder);
  mail->SetVersion("16.0.0.0");
  EXPECT_EQ(Xml(folder), xml);
  EXPECT_EQ(Applied(folder), 0);

  const std::string broken = "<view type=\"table\"><column><prop>" + kFrom + "</prop></column>";
  const auto f = mail->Store().FolderByEntryId(folder->EntryID());
  mail->Store().SetViewXml(mail->Store().FindView(f->id, "Velmora View")->id, broken);
  Main::ResetVelmoraFolderLookup();
  ASSERT_TRUE(Main::GetVelmoraFolder(false)) << "a broken view never stops the folder's use";
  Xml::RemoveColumn(View(folder), kFrom);
  EXPECT_EQ(Xml(folder), broken);
}

}  // namespace
}  // namespace velmora
