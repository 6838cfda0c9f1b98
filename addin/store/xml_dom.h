// XML document port for editing a view's definition: load text, walk and
// edit elements, write the text back. MSXML on Windows, a packaged DOM on the
// standalone host.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace velmora {

class XmlElement;
using XmlElementPtr = std::shared_ptr<XmlElement>;

class XmlElement {
 public:
  virtual ~XmlElement() = default;
  virtual std::string Name() = 0;
  virtual std::string Text() = 0;
  virtual void SetText(const std::string& text) = 0;
  // Direct child elements with that name, in document order.
  virtual std::vector<XmlElementPtr> Children(const std::string& name) = 0;
  virtual XmlElementPtr FirstChild(const std::string& name) = 0;
  virtual void AppendChild(const XmlElementPtr& child) = 0;
  // Inserts `child` before `reference`, a direct child of this element.
  virtual void InsertBefore(const XmlElementPtr& child, const XmlElementPtr& reference) = 0;
  virtual void RemoveChild(const XmlElementPtr& child) = 0;
};

class XmlDocument {
 public:
  virtual ~XmlDocument() = default;
  // False when the text is not well-formed XML.
  virtual bool LoadXml(const std::string& text) = 0;
  virtual std::string Xml() = 0;
  virtual XmlElementPtr Root() = 0;
  virtual XmlElementPtr CreateElement(const std::string& name) = 0;
};

class XmlFactory {
 public:
  virtual ~XmlFactory() = default;
  virtual std::unique_ptr<XmlDocument> CreateDocument() = 0;
};

}  // namespace velmora
