#include "addin/store/xml.h"

#include <memory>

#include "addin/store/addin_services.h"
#include "common/host_error.h"
#include "common/trap.h"

namespace velmora::Xml {

namespace {

constexpr std::int16_t kDefaultWidth = 40;

std::unique_ptr<XmlDocument> LoadView(host::View& view) {
  auto doc = TheXml().CreateDocument();
  if (!doc) Raise(err::kObjectNotSet, "No XML document object");
  if (!doc->LoadXml(view.Xml())) Raise(err::kInvalidCall, "The view's XML does not load");
  if (!doc->Root()) Raise(err::kInvalidCall, "The view's XML has no root element");
  return doc;
}

void SaveView(host::View& view, XmlDocument& doc) {
  view.SetXml(doc.Xml());
  view.Save();
}

void AddChild(XmlDocument& doc, XmlElement& parent, const std::string& name,
              const std::string& text) {
  auto child = doc.CreateElement(name);
  Need(child).SetText(text);
  parent.AppendChild(child);
}

}  // namespace

XmlElementPtr FindColumnByProp(const std::vector<XmlElementPtr>& columns, const std::string& prop) {
  for (const auto& column : columns) {
    if (!column) continue;
    auto propElement = column->FirstChild("prop");
    if (propElement && propElement->Text() == prop) return column;
  }
  return nullptr;
}

void AddTableViewUserColumn(const host::ViewPtr& oView, const std::string& heading,
                            const std::string& prop, const std::string& type,
                            const std::string& userHeading, const std::string& before,
                            std::int16_t width) {
  Trap("Xml.AddTableViewUserColumn", [&] {
    auto& view = Need(oView);
    auto doc = LoadView(view);
    auto root = doc->Root();

    auto column = doc->CreateElement("column");
    Need(column);
    AddChild(*doc, *column, "Heading", heading);
    AddChild(*doc, *column, "prop", prop);
    AddChild(*doc, *column, "width", std::to_string(width == 0 ? kDefaultWidth : width));
    AddChild(*doc, *column, "type", type);
    if (!userHeading.empty()) AddChild(*doc, *column, "userheading", userHeading);

    XmlElementPtr reference;
    if (!before.empty()) reference = FindColumnByProp(root->Children("column"), before);
    if (reference)
      root->InsertBefore(column, reference);
    else
      root->AppendChild(column);
    SaveView(view, *doc);
  });
}

void AddUserPropColumn(const host::ViewPtr& oView, const std::string& name, const std::string& type,
                       const std::string& userHeading, const std::string& before,
                       std::int16_t width) {
  AddTableViewUserColumn(oView, name, std::string(kUserPropPrefix) + name, type, userHeading,
                         before, width);
}

void RemoveColumn(const host::ViewPtr& oView, const std::string& prop) {
  Trap("Xml.RemoveColumn", [&] {
    auto& view = Need(oView);
    auto doc = LoadView(view);
    auto root = doc->Root();
    if (auto column = FindColumnByProp(root->Children("column"), prop)) root->RemoveChild(column);
    SaveView(view, *doc);
  });
}

bool ColumnExists(const host::ViewPtr& oView, const std::string& prop) {
  return TrapOr("Xml.ColumnExists", false, [&] {
    auto doc = LoadView(Need(oView));
    return FindColumnByProp(doc->Root()->Children("column"), prop) != nullptr;
  });
}

}  // namespace velmora::Xml
