// The scheduled-mail folder's table view on the standalone host: the view a
// new folder gets, the once-per-load repair of an existing one, the column
// edits in its XML, and hosts or XML texts where nothing may change.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "addin/store/folder.h"
#include "addin/store/view.h"
#include "addin/store/xml.h"
#include "store/velmora_folder_fixture.h"
#include "support/captured_log.h"

namespace velmora {
namespace {

using test::CapturedLog;

const std::string kFrom = "urn:schemas:httpmail:fromname";
const std::string kTo = "urn:schemas:httpmail:displayto";
const std::string kSchedule =
    "http://schemas.microsoft.com/mapi/string/{00020329-0000-0000-C000-000000000046}/ScheduleTime";

// A column as its child elements, "name=text" in document order.
using Column = std::vector<std::string>;

// Read with pugixml directly, so the check does not rest on the adapter
// under test.
std::vector<Column> Columns(const std::string& xml) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(xml.c_str())) << xml;
  std::vector<Column> out;
  for (auto c : doc.document_element().children("column")) {
    Column col;
    for (auto child : c.children())
      col.push_back(std::string(child.name()) + "=" + child.text().get());
    out.push_back(std::move(col));
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
  host::ViewPtr View(const host::FolderPtr& folder) {
    return folder->Views()->Item("Velmora View");
  }
  std::string Xml(const host::FolderPtr& folder) { return View(folder)->Xml(); }
  int Applied(const host::FolderPtr& folder) {
    return mail->ViewAppliedCount(folder, "Velmora View");
  }
  std::int64_t ViewId(const host::FolderPtr& folder) {
    const auto f = mail->Store().FolderByEntryId(folder->EntryID());
    return mail->Store().FindView(f->id, "Velmora View")->id;
  }
};

TEST_F(FolderView, NewFolderGetsTheViewAppliedAndAnUpToDateOneIsLeftAlone) {
  auto folder = Main::GetVelmoraFolder(true);
  ASSERT_TRUE(folder);
  const std::string xml = Xml(folder);
  const auto columns = Columns(xml);
  const auto props = Props(xml);
  EXPECT_EQ(std::count(props.begin(), props.end(), kFrom), 0);
  EXPECT_EQ(columns.back(), kScheduleColumn);
  EXPECT_EQ(std::count(columns.begin(), columns.end(), kRecipientsColumn), 1);
  EXPECT_EQ(Applied(folder), 1);

  CapturedLog log;
  Main::UpdateView(folder);
  EXPECT_EQ(Xml(folder), xml);
  EXPECT_EQ(Applied(folder), 1);
  EXPECT_EQ(log.Text(), "");
}

TEST_F(FolderView, DefaultViewIsRepairedInPlaceAndAppliedOnce) {
  auto folder = OldFolder();
  const auto before = Props(Xml(folder));
  const auto from = std::find(before.begin(), before.end(), kFrom);
  ASSERT_NE(from, before.end()) << "the host's default view has a sender column";

  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  std::vector<std::string> expected = before;
  *std::find(expected.begin(), expected.end(), kFrom) = kTo;
  expected.push_back(kSchedule);
  EXPECT_EQ(Props(Xml(folder)), expected);
  const auto columns = Columns(Xml(folder));
  EXPECT_EQ(columns[from - before.begin()], kRecipientsColumn);
  EXPECT_EQ(columns.back(), kScheduleColumn);
  EXPECT_EQ(Applied(folder), 1);

  // Looked over once per load: later calls leave it alone.
  Xml::RemoveColumn(View(folder), kSchedule);
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  auto withoutSchedule = expected;
  withoutSchedule.pop_back();
  EXPECT_EQ(Props(Xml(folder)), withoutSchedule);
  EXPECT_EQ(Applied(folder), 1);
  Main::ResetVelmoraFolderLookup();
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(Props(Xml(folder)), expected);
  EXPECT_EQ(Applied(folder), 2);
}

TEST_F(FolderView, OnlyTheMissingColumnsAreAdded) {
  auto folder = OldFolder();
  // Recipients already there, no sender: only the schedule column is new.
  Xml::RemoveColumn(View(folder), kFrom);
  Xml::AddTableViewUserColumn(View(folder), "To", kTo, "string", "", "", 40);
  const auto before = Props(Xml(folder));
  Main::UpdateView(folder);
  auto expected = before;
  expected.push_back(kSchedule);
  EXPECT_EQ(Props(Xml(folder)), expected);
  EXPECT_EQ(Applied(folder), 1);

  // No sender column to take the place of: the recipients go last.
  auto other = folder->Folders()->Add("Other", host::ol::kFolderDrafts);
  auto view = other->Views()->Add("Velmora View", host::ol::kTableView, 0);
  Xml::RemoveColumn(view, kFrom);
  Main::UpdateView(other);
  const auto props = Props(view->Xml());
  ASSERT_GE(props.size(), 2u);
  EXPECT_EQ(props[props.size() - 2], kTo);
  EXPECT_EQ(props.back(), kSchedule);
}

TEST_F(FolderView, DeletedViewComesBackOnTheNextLoad) {
  auto folder = Main::GetVelmoraFolder(true);
  ASSERT_TRUE(folder);
  const std::string xml = Xml(folder);
  mail->Store().Db().Exec(
      ("DELETE FROM views WHERE id = " + std::to_string(ViewId(folder))).c_str());
  ASSERT_FALSE(View(folder));

  Main::ResetVelmoraFolderLookup();
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  ASSERT_TRUE(View(folder));
  EXPECT_EQ(Props(Xml(folder)), Props(xml));
  EXPECT_EQ(Applied(folder), 1);

  // A folder that never had the view (made while the host had no views) too.
  auto bare = folder->Folders()->Add("Bare", host::ol::kFolderDrafts);
  Main::UpdateView(bare);
  EXPECT_EQ(Props(Xml(bare)), Props(xml));
}

TEST_F(FolderView, OldestHostIsLeftAlone) {
  auto folder = OldFolder();
  const std::string xml = Xml(folder);
  const int views = folder->Views()->Count();
  mail->SetVersion("9.0.0.2711");
  CapturedLog log;

  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  Main::UpdateView(folder);
  Main::CustomizeView(folder);
  EXPECT_TRUE(Main::GetVelmoraFolder(true));
  EXPECT_EQ(log.Text(), "") << "views were asked for on a host without them";

  mail->SetVersion("16.0.0.0");
  EXPECT_EQ(Xml(folder), xml);
  EXPECT_EQ(Applied(folder), 0);
  EXPECT_EQ(folder->Views()->Count(), views);
}

TEST_F(FolderView, MalformedViewXmlIsLeftUnchangedAndLogged) {
  auto folder = OldFolder();
  const std::string broken = "<view type=\"table\"><column><prop>" + kFrom + "</prop></column>";
  mail->Store().SetViewXml(ViewId(folder), broken);

  CapturedLog log;
  ASSERT_TRUE(Main::GetVelmoraFolder(false)) << "a broken view never stops the folder's use";
  Xml::RemoveColumn(View(folder), kFrom);
  EXPECT_EQ(Xml(folder), broken);
  EXPECT_TRUE(log.Contains("Xml.ColumnExists")) << log.Text();
  EXPECT_TRUE(log.Contains("Xml.AddTableViewUserColumn")) << log.Text();
  EXPECT_TRUE(log.Contains("Xml.RemoveColumn")) << log.Text();
}

class ViewColumns : public FolderView {
 protected:
  host::FolderPtr folder_ = OldFolder();
  host::ViewPtr view_ = View(folder_);
};

TEST_F(ViewColumns, ColumnIsBuiltInTheStoredOrder) {
  Xml::AddTableViewUserColumn(view_, "Size", "urn:x:size", "i4", "Bytes", "", 0);
  EXPECT_EQ(Columns(view_->Xml()).back(), (Column{"Heading=Size", "prop=urn:x:size", "width=40",
                                                  "type=i4", "userheading=Bytes"}));

  Xml::AddUserPropColumn(view_, "Due", "datetime", "", "urn:x:size", 75);
  const auto columns = Columns(view_->Xml());
  ASSERT_GE(columns.size(), 2u);
  EXPECT_EQ(columns[columns.size() - 2], (Column{"Heading=Due",
                                                 "prop=http://schemas.microsoft.com/mapi/string/"
                                                 "{00020329-0000-0000-C000-000000000046}/Due",
                                                 "width=75", "type=datetime"}));
}

TEST_F(ViewColumns, InsertPointThatIsNotThereMeansLast) {
  Xml::AddTableViewUserColumn(view_, "A", "urn:x:a", "string", "", "urn:x:missing", 10);
  EXPECT_EQ(Props(view_->Xml()).back(), "urn:x:a");
  // Props are compared exactly, letter case included.
  Xml::AddTableViewUserColumn(view_, "B", "urn:x:b", "string", "", "URN:X:A", 10);
  EXPECT_EQ(Props(view_->Xml()).back(), "urn:x:b");
  Xml::AddTableViewUserColumn(view_, "C", "urn:x:c", "string", "", "urn:x:a", 10);
  const auto props = Props(view_->Xml());
  EXPECT_EQ(std::vector<std::string>(props.end() - 3, props.end()),
            (std::vector<std::string>{"urn:x:c", "urn:x:a", "urn:x:b"}));
}

}  // namespace
}  // namespace velmora
