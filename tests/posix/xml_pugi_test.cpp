// The pugixml document behind the standalone host's views: what it must
// refuse without harm, and text that survives the round trip. (Inserting,
// appending and removing columns are checked through the view edits.)
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/xml_pugi.h"

namespace velmora::posix {
namespace {

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
