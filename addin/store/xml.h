// Column edits in a view's XML definition, through the XML document port.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "addin/store/host.h"
#include "addin/store/xml_dom.h"

namespace velmora::Xml {

// The host's identifier prefix of named properties in the public strings
// property set; a user property's column prop is this and its name.
inline constexpr std::string_view kUserPropPrefix =
    "http://schemas.microsoft.com/mapi/string/{00020329-0000-0000-C000-000000000046}/";
inline constexpr std::string_view kPropDisplayTo = "urn:schemas:httpmail:displayto";
inline constexpr std::string_view kPropFromName = "urn:schemas:httpmail:fromname";

// Adds a column before the column whose prop is `before` (last when `before`
// is empty or not found). A width of 0 becomes 40; an empty user heading is
// left out. On failure the view is left unchanged.
void AddTableViewUserColumn(const host::ViewPtr& oView, const std::string& heading,
                            const std::string& prop, const std::string& type,
                            const std::string& userHeading, const std::string& before,
                            std::int16_t width);
// The same for a user property, by its name.
void AddUserPropColumn(const host::ViewPtr& oView, const std::string& name, const std::string& type,
                       const std::string& userHeading, const std::string& before,
                       std::int16_t width);
void RemoveColumn(const host::ViewPtr& oView, const std::string& prop);
bool ColumnExists(const host::ViewPtr& oView, const std::string& prop);
// The first column whose "prop" child reads exactly `prop`, or nothing.
XmlElementPtr FindColumnByProp(const std::vector<XmlElementPtr>& columns, const std::string& prop);

}  // namespace velmora::Xml
