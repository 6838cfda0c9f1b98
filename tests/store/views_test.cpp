// Folder views of the standalone host: the default table view with its
// sender column, views added by name, their XML, saving, applying, and the
// oldest host without views.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using posix::store_err::kCollision;
using posix::store_err::kInvalidArgument;
using posix::store_err::kNotSupported;

constexpr const char* kFromProp = "urn:schemas:httpmail:fromname";

bool HasColumn(const std::string& xml, const char* prop) {
  pugi::xml_document doc;
  if (!doc.load_string(xml.c_str())) return false;
  for (auto column : doc.child("view").children("column"))
    if (std::string(column.child_value("prop")) == prop) return true;
  return false;
}

std::string ViewName(const std::string& xml) {
  pugi::xml_document doc;
  doc.load_string(xml.c_str());
  return doc.child("view").child_value("viewname");
}

class StoreViews : public MailHostTest {
 protected:
  host::FolderPtr folder = Inbox()->Parent()->Folders()->Add("Velmora", host::ol::kFolderDrafts);
};

TEST_F(StoreViews, NewMailFolderHasATableViewWithASenderColumn) {
  auto views = folder->Views();
  EXPECT_EQ(views->Count(), 1);
  auto view = views->Item("Messages");
  ASSERT_TRUE(view);
  EXPECT_TRUE(HasColumn(view->Xml(), kFromProp));
  EXPECT_TRUE(HasColumn(view->Xml(), "urn:schemas:httpmail:subject"));
  EXPECT_FALSE(views->Item("Velmora View"));
  EXPECT_EQ(Inbox()->Parent()->Folders()->Add("People", 10)->Views()->Count(), 0)
      << "a folder of contacts starts without a mail view";
}

TEST_F(StoreViews, AddedViewStartsFromTheDefaultColumns) {
  auto view = folder->Views()->Add("Velmora View", host::ol::kTableView,
                                   host::ol::kViewSaveThisFolderEveryone);
  EXPECT_EQ(view->Name(), "Velmora View");
  EXPECT_EQ(ViewName(view->Xml()), "Velmora View");
  EXPECT_TRUE(HasColumn(view->Xml(), kFromProp));
  EXPECT_TRUE(folder->Views()->Item("Velmora View"));
  EXPECT_EQ(ErrorOf([&] { folder->Views()->Add("Velmora View", 0, 0); }), kCollision);
  EXPECT_EQ(ErrorOf([&] { folder->Views()->Add("Cards", 1, 0); }), kInvalidArgument);
  // Markup in a name stays text.
  EXPECT_EQ(ViewName(folder->Views()->Add("A<B & \"C\"", 0, 0)->Xml()), "A<B & \"C\"");
}

TEST_F(StoreViews, NewDefinitionIsKeptOnlyWhenSavedAndTextThatIsNoXmlIsRefused) {
  auto view = folder->Views()->Add("Velmora View", 0, 0);
  const auto before = view->Xml();
  EXPECT_EQ(ErrorOf([&] { view->SetXml("<view><column></view>"); }), kInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { view->SetXml(""); }), kInvalidArgument);
  EXPECT_EQ(view->Xml(), before);
  const std::string xml = "<view type=\"table\"><viewname>Velmora View</viewname></view>";
  view->SetXml(xml);
  EXPECT_EQ(view->Xml(), xml);
  EXPECT_TRUE(HasColumn(folder->Views()->Item("Velmora View")->Xml(), kFromProp));
  view->Save();
  EXPECT_EQ(folder->Views()->Item("Velmora View")->Xml(), xml);
}

TEST_F(StoreViews, ApplyIsCounted) {
  auto view = folder->Views()->Add("Velmora View", 0, 0);
  EXPECT_EQ(mail->ViewAppliedCount(folder, "Velmora View"), 0);
  view->Apply();
  EXPECT_EQ(mail->ViewAppliedCount(folder, "Velmora View"), 1);
  folder->Views()->Item("Velmora View")->Apply();
  EXPECT_EQ(mail->ViewAppliedCount(folder, "Velmora View"), 2);
  EXPECT_EQ(mail->ViewAppliedCount(folder, "Messages"), 0);
}

TEST_F(StoreViews, TheOldestHostHasNoViews) {
  EXPECT_EQ(app->Version(), "16.0.0.0");
  mail->SetVersion("9.0.0.2711");
  EXPECT_EQ(app->Version(), "9.0.0.2711");
  try {
    folder->Views();
    FAIL() << "no error raised";
  } catch (const HostError& e) {
    EXPECT_EQ(e.Number(), kNotSupported);
    EXPECT_EQ(e.Description(), "Object doesn't support this property or method");
  }
  mail->SetVersion("10.0.0.2627");
  EXPECT_TRUE(folder->Views()->Item("Messages"));
}

}  // namespace
}  // namespace velmora::test
