// The scheduled-mail folder's table view on the standalone host: made for a
// new folder, repaired once per load in an old one, and a broken one never
// stopping the folder's use.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "addin/store/folder.h"
#include "addin/store/view.h"
#include "addin/store/xml.h"
#include "store/velmora_folder_fixture.h"

namespace velmora {
namespace {

const std::string kFrom = "urn:schemas:httpmail:fromname";
const std::string kTo = "urn:schemas:httpmail:displayto";
const std::string kSchedule =
    "http://schemas.microsoft.com/mapi/string/{00020329-0000-0000-C000-000000000046}/ScheduleTime";

class FolderView : public test::VelmoraFolderTest {
 protected:
  // A mail folder named Velmora as a user or an older load left it: with the
  // host's default table view, which has a sender column, under the add-in's
  // view name.
  host::FolderPtr OldFolder() {
    auto folder = Root()->Folders()->Add("Velmora", host::ol::kFolderDrafts);
    folder->Views()->Add("Velmora View", host::ol::kTableView, 0);
    return folder;
  }
  static host::ViewPtr View(const host::FolderPtr& f) { return f->Views()->Item("Velmora View"); }
  // The columns' props, read with pugixml directly so that the check does not
  // rest on the adapter under test.
  static std::vector<std::string> Props(const host::FolderPtr& f) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(View(f)->Xml().c_str()));
    std::vector<std::string> out;
    for (auto c : doc.document_element().children("column"))
      out.push_back(c.child_value("prop"));
    return out;
  }
  int Applied(const host::FolderPtr& f) { return mail->ViewAppliedCount(f, "Velmora View"); }
};

TEST_F(FolderView, ANewFolderGetsTheViewAppliedOnce) {
  auto folder = Main::GetVelmoraFolder(true);
  ASSERT_TRUE(folder);
  const auto props = Props(folder);
  EXPECT_EQ(std::count(props.begin(), props.end(), kFrom), 0);
  EXPECT_EQ(std::count(props.begin(), props.end(), kTo), 1);
  EXPECT_EQ(props.back(), kSchedule);
  const std::string before = View(folder)->Xml();
  EXPECT_NE(before.find("<userheading>Next Occurrence</userheading>"), std::string::npos);
  Main::UpdateView(folder);
  EXPECT_EQ(View(folder)->Xml(), before) << "an up-to-date view changed";
  EXPECT_EQ(Applied(folder), 1);
}

TEST_F(FolderView, TheDefaultViewIsRepairedInPlaceOncePerLoad) {
  auto folder = OldFolder();
  const auto before = Props(folder);
  const auto from = std::find(before.begin(), before.end(), kFrom) - before.begin();
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  auto expected = before;
  expected[from] = kTo;
  expected.push_back(kSchedule);
  EXPECT_EQ(Props(folder), expected);
  EXPECT_EQ(Applied(folder), 1);

  // Looked over once per load: later calls leave it alone.
  Xml::RemoveColumn(View(folder), kSchedule);
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(Props(folder).size(), expected.size() - 1);
  Main::ResetVelmoraFolderLookup();
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(Props(folder), expected);
  EXPECT_EQ(Applied(folder), 2);

  // No sender column to take the place of: the recipients go last.
  auto other = folder->Folders()->Add("Other", host::ol::kFolderDrafts);
  Xml::RemoveColumn(other->Views()->Add("Velmora View", host::ol::kTableView, 0), kFrom);
  Main::UpdateView(other);
  const auto props = Props(other);
  ASSERT_GE(props.size(), 2u);
  EXPECT_EQ(props[props.size() - 2], kTo);
  EXPECT_EQ(props.back(), kSchedule);
}

TEST_F(FolderView, ABrokenViewIsLeftAsItIsAndTheFolderStillServes) {
  auto folder = OldFolder();
  const std::string broken = "<view type=\"table\"><column><prop>" + kFrom + "</prop></column>";
  const auto f = mail->Store().FolderByEntryId(folder->EntryID());
  mail->Store().SetViewXml(mail->Store().FindView(f->id, "Velmora View")->id, broken);
  ASSERT_TRUE(Main::GetVelmoraFolder(false));
  EXPECT_EQ(View(folder)->Xml(), broken);
}

}  // namespace
}  // namespace velmora
