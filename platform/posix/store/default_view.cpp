#include "platform/posix/store/default_view.h"

#include "addin/store/new_table_view.h"

#include <pugixml.hpp>
#include <sstream>

namespace velmora::posix {

std::string DefaultTableViewXml(const std::string& name) {
  // Through the DOM, so that a name with markup characters stays text.
  pugi::xml_document doc;
  doc.load_string(kNewTableViewXml, pugi::parse_default | pugi::parse_declaration);
  doc.child("view").child("viewname").text().set(name.c_str());
  std::ostringstream out;
  doc.save(out, "  ");
  return out.str();
}

}  // namespace velmora::posix
