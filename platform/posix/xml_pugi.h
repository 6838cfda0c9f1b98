// The XML document port over pugixml, for the standalone host's views.
#pragma once

#include <memory>

#include "addin/store/xml_dom.h"

namespace velmora::posix {

class PugiXmlFactory final : public XmlFactory {
 public:
  std::unique_ptr<XmlDocument> CreateDocument() override;
};

}  // namespace velmora::posix
