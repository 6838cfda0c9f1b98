// Folder views of the standalone host: the default table view with its
// sender column, and a definition kept only when it is well-formed and saved.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using posix::store_err::kInvalidArgument;

constexpr const char* kFromProp = "urn:schemas:httpmail:fromname";

bool HasColumn(const std::string& xml, const char* prop) {
  pugi::xml_document doc;
  if (!doc.load_string(xml.c_str())) return false;
  for (auto column : doc.child("view").children("column"))
    if (std::string(column.child_value("prop")) == prop) return true;
  return false;
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

}  // namespace
}  // namespace velmora::test
