// The pugixml document behind the standalone host's views: what the view
// edits rely on (load, walk, insert, remove, write back) and what it must
// refuse without harm.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/xml_pugi.h"

namespace velmora {
namespace {

const char* const kView =
    "<?xml version=\"1.0\"?>"
    "<view type=\"table\"><viewname>Messages</viewname>"
    "<column><heading>From</heading><prop>urn:schemas:httpmail:fromname</prop></column>"
    "<column><heading>Subject</heading><prop>urn:schemas:httpmail:subject</prop></column>"
    "<orderby><order><prop>urn:schemas:httpmail:subject</prop></order></orderby>"
    "</view>";

std::vector<std::string> Props(XmlElement& root) {
  std::vector<std::string> out;
  for (const auto& c : root.Children("column"))
    out.push_back(c->FirstChild("prop")->Text());
  return out;
}

TEST(PugiXml, NotWellFormedTextDoesNotLoadAndAFailedLoadKeepsTheDocument) {
  posix::PugiXmlFactory factory;
  EXPECT_FALSE(factory.CreateDocument()->Root()) << "an empty document has no root";
  for (const char* bad : {"", "   ", "<view><column></view>", "<view>", "plain text",
                          "<?xml version=\"1.0\"?>", "<a/><b/>"})
    EXPECT_FALSE(factory.CreateDocument()->LoadXml(bad)) << bad;
  auto doc = factory.CreateDocument();
  ASSERT_TRUE(doc->LoadXml(kView));
  EXPECT_FALSE(doc->LoadXml("<broken"));
  EXPECT_EQ(doc->Xml(), kView);
}

TEST(PugiXml, ColumnsAreInsertedAppendedAndRemovedAndTextIsEscapedAndReadBack) {
  posix::PugiXmlFactory factory;
  auto doc = factory.CreateDocument();
  ASSERT_TRUE(doc->LoadXml(kView));
  auto root = doc->Root();
  const auto columns = root->Children("column");
  auto to = doc->CreateElement("column");
  auto prop = doc->CreateElement("prop");
  prop->SetText("a<b & \"c\" > d ü");
  to->AppendChild(prop);
  EXPECT_EQ(doc->Xml(), kView) << "an element not yet placed showed";
  root->InsertBefore(to, columns[0]);
  root->RemoveChild(columns[0]);
  auto last = doc->CreateElement("column");
  last->AppendChild(doc->CreateElement("prop"));
  last->FirstChild("prop")->SetText("sched");
  root->AppendChild(last);
  const auto expected =
      std::vector<std::string>{"a<b & \"c\" > d ü", "urn:schemas:httpmail:subject", "sched"};
  EXPECT_EQ(Props(*root), expected);
  const std::string xml = doc->Xml();
  EXPECT_EQ(xml.find("fromname"), std::string::npos) << xml;
  // Appended after the last child of the root, the sort order included.
  EXPECT_NE(xml.find("</orderby><column><prop>sched</prop></column></view>"), std::string::npos)
      << xml;
  auto again = factory.CreateDocument();
  ASSERT_TRUE(again->LoadXml(xml)) << xml;
  EXPECT_EQ(Props(*again->Root()), expected);
  // A removed element is still there to be put back, as a DOM's is.
  root->AppendChild(columns[0]);
  EXPECT_EQ(Props(*root).back(), "urn:schemas:httpmail:fromname");

  // Text reads the text of every descendant, and replaces the children.
  ASSERT_TRUE(doc->LoadXml("<r><x>one<y>two</y><![CDATA[<three>]]></x></r>"));
  auto x = doc->Root()->FirstChild("x");
  EXPECT_EQ(x->Text(), "onetwo<three>");
  x->SetText("");
  EXPECT_EQ(doc->Xml(), "<r><x/></r>");
}

}  // namespace
}  // namespace velmora
