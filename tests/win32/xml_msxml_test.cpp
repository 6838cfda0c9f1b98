// The MSXML 6 document behind view edits on Windows. The add-in session edits
// a stand-in Outlook's view through it; here: the order of the edited
// children, text that needs escaping, and broken text refused without harm.
#include <gtest/gtest.h>

// windows.h first: objbase.h relies on its types.
#include <windows.h>

#include <objbase.h>

#include <string>
#include <vector>

#include "platform/win32/adapters/xml_msxml.h"

namespace velmora {
namespace {

TEST(XmlMsxml, EditsKeepTheirPlaceEscapedTextReadsBackAndBrokenTextChangesNothing) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {  // MSXML lives in the apartment the test opens
    win32::MsxmlFactory factory;
    auto doc = factory.CreateDocument();
    EXPECT_FALSE(doc->Root());
    ASSERT_TRUE(doc->LoadXml(
        "<?xml version=\"1.0\"?>\r\n<view type=\"table\"><column><prop>a</prop></column>"
        "<column><prop>b</prop></column><column><prop>c</prop></column></view>"));
    const auto props = [&doc] {
      std::vector<std::string> out;
      for (const auto& column : doc->Root()->Children("column"))
        out.push_back(column->FirstChild("prop")->Text());
      return out;
    };
    const auto from = doc->Root()->Children("column")[1];
    auto to = doc->CreateElement("column");
    auto prop = doc->CreateElement("prop");
    prop->SetText("to");
    to->AppendChild(prop);
    doc->Root()->InsertBefore(to, from);
    doc->Root()->RemoveChild(from);
    const std::vector<std::string> edited{"a", "to", "c"};
    EXPECT_EQ(props(), edited);

    // A failed load keeps the document it had.
    for (const std::string& bad : std::initializer_list<std::string>{
             "", "<view><column></view>", "<a/><b/>", std::string("<view>\0</view>", 14)})
      EXPECT_FALSE(doc->LoadXml(bad)) << bad;
    EXPECT_EQ(props(), edited);

    const std::string heading = "Nächste <Ausführung> & 日本 \xF0\x9F\x93\xA7";
    prop->SetText(heading);
    auto again = factory.CreateDocument();
    ASSERT_TRUE(again->LoadXml(doc->Xml()));
    EXPECT_EQ(again->Root()->Children("column")[1]->FirstChild("prop")->Text(), heading);
  }
  ::CoUninitialize();
}

}  // namespace
}  // namespace velmora
