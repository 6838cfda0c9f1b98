// The pugixml document behind the standalone host's views: what the view
// edits rely on (load, walk, insert, remove, write back) and what it must
// refuse without harm.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/host_error.h"
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

class PugiXml : public ::testing::Test {
 protected:
  std::unique_ptr<XmlDocument> Load(const std::string& text) {
    auto doc = factory_.CreateDocument();
    EXPECT_TRUE(doc->LoadXml(text)) << text;
    return doc;
  }
  posix::PugiXmlFactory factory_;
};

TEST_F(PugiXml, NotWellFormedTextDoesNotLoad) {
  EXPECT_FALSE(factory_.CreateDocument()->Root()) << "an empty document has no root";
  EXPECT_EQ(factory_.CreateDocument()->Xml(), "");
  for (const char* bad : {"", "   ", "<view><column></view>", "<view>", "plain text",
                          "<?xml version=\"1.0\"?>", "<a/><b/>"}) {
    auto doc = factory_.CreateDocument();
    EXPECT_FALSE(doc->LoadXml(bad)) << bad;
  }
  // A failed load keeps the document it had.
  auto doc = Load(kView);
  EXPECT_FALSE(doc->LoadXml("<broken"));
  EXPECT_EQ(doc->Xml(), kView);
}

TEST_F(PugiXml, InsertsAppendsAndRemovesColumns) {
  auto doc = Load(kView);
  auto root = doc->Root();
  const auto columns = root->Children("column");

  auto to = doc->CreateElement("column");
  auto prop = doc->CreateElement("prop");
  prop->SetText("urn:schemas:httpmail:displayto");
  to->AppendChild(prop);
  // Not yet placed: neither in the tree nor in the text.
  EXPECT_EQ(root->Children("column").size(), 2u);
  EXPECT_EQ(doc->Xml(), kView);

  root->InsertBefore(to, columns[0]);
  root->RemoveChild(columns[0]);
  auto last = doc->CreateElement("column");
  last->AppendChild(doc->CreateElement("prop"));
  last->FirstChild("prop")->SetText("sched");
  root->AppendChild(last);

  EXPECT_EQ(Props(*root), (std::vector<std::string>{"urn:schemas:httpmail:displayto",
                                                    "urn:schemas:httpmail:subject", "sched"}));
  const std::string xml = doc->Xml();
  EXPECT_EQ(xml.find("fromname"), std::string::npos) << xml;
  // Appended after the last child of the root, the sort order included.
  EXPECT_NE(xml.find("</orderby><column><prop>sched</prop></column></view>"), std::string::npos)
      << xml;

  // The written text loads again to the same columns.
  auto again = Load(xml);
  EXPECT_EQ(Props(*again->Root()), Props(*root));

  // A removed element is still there to be put back, as a DOM's is.
  EXPECT_EQ(columns[0]->FirstChild("prop")->Text(), "urn:schemas:httpmail:fromname");
  root->AppendChild(columns[0]);
  EXPECT_EQ(Props(*root).back(), "urn:schemas:httpmail:fromname");
}

TEST_F(PugiXml, TextIsEscapedAndReadBack) {
  auto doc = Load("<view/>");
  auto e = doc->CreateElement("heading");
  e->SetText("a<b & \"c\" > d ü");
  doc->Root()->AppendChild(e);
  const std::string xml = doc->Xml();
  EXPECT_EQ(xml.find("a<b"), std::string::npos) << xml;
  auto again = Load(xml);
  EXPECT_EQ(again->Root()->FirstChild("heading")->Text(), "a<b & \"c\" > d ü");

  // Text replaces the children, and reads the text of every descendant.
  auto mixed = Load("<r><x>one<y>two</y><![CDATA[<three>]]></x></r>");
  auto x = mixed->Root()->FirstChild("x");
  EXPECT_EQ(x->Text(), "onetwo<three>");
  x->SetText("");
  EXPECT_EQ(mixed->Xml(), "<r><x/></r>");
}

}  // namespace
}  // namespace velmora
