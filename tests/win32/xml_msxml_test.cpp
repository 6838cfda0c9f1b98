// The MSXML 6 document behind view edits on Windows: a view definition is
// loaded, a column inserted and another removed through the view's XML
// operations, and the text written back reads as expected.
#include <gtest/gtest.h>

// windows.h first: objbase.h relies on its types.
#include <windows.h>

#include <objbase.h>

#include <memory>
#include <string>
#include <vector>

#include "addin/store/addin_services.h"
#include "addin/store/xml.h"
#include "platform/win32/adapters/xml_msxml.h"

namespace velmora {
namespace {

const char* const kView =
    "<?xml version=\"1.0\"?>\r\n"
    "<view type=\"table\"><viewname>Messages</viewname>"
    "<column><heading>Importance</heading><prop>urn:schemas:httpmail:importance</prop></column>"
    "<column><heading>From</heading><prop>urn:schemas:httpmail:fromname</prop>"
    "<type>string</type><width>49</width></column>"
    "<column><heading>Subject</heading><prop>urn:schemas:httpmail:subject</prop></column>"
    "<orderby><order><prop>urn:schemas:httpmail:subject</prop></order></orderby>"
    "</view>";

// A view that keeps its definition in memory, standing in for the host's.
class TextView final : public host::View {
 public:
  explicit TextView(std::string xml) : xml_(std::move(xml)) {}
  std::string Name() override { return "Velmora View"; }
  std::string Xml() override { return xml_; }
  void SetXml(const std::string& xml) override { pending_ = xml; }
  void Save() override { xml_ = pending_; }
  void Apply() override {}

 private:
  std::string xml_;
  std::string pending_;
};

// All of it in one test: MSXML lives in the apartment the test opens.
void EditAndReadBack(XmlFactory& factory) {
  auto view = std::make_shared<TextView>(kView);
  Xml::AddTableViewUserColumn(view, "To", "urn:schemas:httpmail:displayto", "string", "",
                              "urn:schemas:httpmail:fromname", 0);
  Xml::RemoveColumn(view, "urn:schemas:httpmail:fromname");
  Xml::AddUserPropColumn(view, "ScheduleTime", "datetime", "Next Occurrence", "", 100);

  const std::string xml = view->Xml();
  auto doc = factory.CreateDocument();
  ASSERT_TRUE(doc->LoadXml(xml)) << xml;
  const auto props = [&doc] {
    std::vector<std::string> out;
    for (const auto& column : doc->Root()->Children("column"))
      out.push_back(column->FirstChild("prop")->Text());
    return out;
  };
  const std::vector<std::string> columns{
      "urn:schemas:httpmail:importance", "urn:schemas:httpmail:displayto",
      "urn:schemas:httpmail:subject",
      "http://schemas.microsoft.com/mapi/string/{00020329-0000-0000-C000-000000000046}/"
      "ScheduleTime"};
  EXPECT_EQ(props(), columns);
  EXPECT_NE(xml.find("<viewname>Messages</viewname>"), std::string::npos) << xml;

  // Broken text is refused, and a failed load keeps the document it had.
  EXPECT_FALSE(factory.CreateDocument()->Root());
  for (const std::string& bad : std::initializer_list<std::string>{
           "", "<view><column></view>", "<a/><b/>", std::string("<view>\0</view>", 14)})
    EXPECT_FALSE(doc->LoadXml(bad)) << bad;
  EXPECT_EQ(props(), columns);

  const std::string heading = "Nächste <Ausführung> & 日本 \xF0\x9F\x93\xA7";
  auto element = doc->CreateElement("userheading");
  element->SetText(heading);
  doc->Root()->Children("column")[0]->AppendChild(element);
  auto again = factory.CreateDocument();
  ASSERT_TRUE(again->LoadXml(doc->Xml()));
  EXPECT_EQ(again->Root()->Children("column")[0]->FirstChild("userheading")->Text(), heading);
}

TEST(XmlMsxml, ViewEditsAreWrittenBackAndBrokenTextChangesNothing) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    win32::MsxmlFactory factory;
    const ScopedAddinServices ports(AddinServices{.xml = &factory});
    EditAndReadBack(factory);
  }
  ::CoUninitialize();
}

}  // namespace
}  // namespace velmora
