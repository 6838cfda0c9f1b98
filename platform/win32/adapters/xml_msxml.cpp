#include "platform/win32/adapters/xml_msxml.h"

// windows.h (through unicode.h) before the COM headers.
#include "platform/win32/adapters/unicode.h"

#include <msxml2.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/host_error.h"
#include "platform/win32/com/com_ptr.h"

namespace velmora::win32 {

namespace {

[[noreturn]] void Fail(HRESULT hr, const char* what) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  Raise(static_cast<long>(hr), std::string(what) + " failed (" + code + ")");
}

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) Fail(hr, what);
}

UniqueBstr ToBstr(const std::string& utf8) {
  const std::wstring w = Widen(utf8);
  UniqueBstr b(::SysAllocStringLen(w.data(), static_cast<UINT>(w.size())));
  if (!b.get()) Raise(err::kOutOfMemory, "Out of memory");
  return b;
}

// Which loaded document an element came from. MSXML itself cannot say: a
// node's ownerDocument may answer with a new object each time.
struct DocumentTag {};
using Tag = std::shared_ptr<const DocumentTag>;

class MsxmlElement final : public XmlElement {
 public:
  MsxmlElement(ComPtr<IXMLDOMNode> node, Tag tag) : node_(std::move(node)), tag_(std::move(tag)) {}

  std::string Name() override {
    UniqueBstr name;
    Check(node_->get_nodeName(name.put()), "nodeName");
    return name.utf8();
  }

  std::string Text() override {
    UniqueBstr text;
    Check(node_->get_text(text.put()), "text");
    return text.utf8();
  }

  void SetText(const std::string& text) override {
    if (text.find('\0') != std::string::npos)
      Raise(err::kInvalidCall, "XML text cannot hold a NUL character");
    Check(node_->put_text(ToBstr(text).get()), "text");
  }

  std::vector<XmlElementPtr> Children(const std::string& name) override {
    std::vector<XmlElementPtr> out;
    ForEachChild(name, [&](ComPtr<IXMLDOMNode> child) {
      out.push_back(std::make_shared<MsxmlElement>(std::move(child), tag_));
      return true;
    });
    return out;
  }

  XmlElementPtr FirstChild(const std::string& name) override {
    XmlElementPtr found;
    ForEachChild(name, [&](ComPtr<IXMLDOMNode> child) {
      found = std::make_shared<MsxmlElement>(std::move(child), tag_);
      return false;
    });
    return found;
  }

  void AppendChild(const XmlElementPtr& child) override {
    ComPtr<IXMLDOMNode> added;
    Check(node_->appendChild(Own(child).get(), added.put()), "appendChild");
  }

  void InsertBefore(const XmlElementPtr& child, const XmlElementPtr& reference) override {
    const ComPtr<IXMLDOMNode> ref = Own(reference);
    VARIANT where;
    ::VariantInit(&where);
    where.vt = VT_UNKNOWN;
    where.punkVal = ref.get();  // borrowed: not cleared below
    ComPtr<IXMLDOMNode> added;
    Check(node_->insertBefore(Own(child).get(), where, added.put()), "insertBefore");
  }

  void RemoveChild(const XmlElementPtr& child) override {
    ComPtr<IXMLDOMNode> removed;
    Check(node_->removeChild(Own(child).get(), removed.put()), "removeChild");
  }

  const ComPtr<IXMLDOMNode>& Node() const { return node_; }
  const Tag& DocTag() const { return tag_; }

 private:
  // Calls `f` for each direct child element of that name while it returns true.
  template <class F>
  void ForEachChild(const std::string& name, F&& f) {
    const std::wstring wanted = Widen(name);
    ComPtr<IXMLDOMNodeList> list;
    Check(node_->get_childNodes(list.put()), "childNodes");
    long count = 0;
    Check(list->get_length(&count), "childNodes.length");
    for (long i = 0; i < count; ++i) {
      ComPtr<IXMLDOMNode> child;
      Check(list->get_item(i, child.put()), "childNodes.item");
      DOMNodeType type = NODE_INVALID;
      if (!child || FAILED(child->get_nodeType(&type)) || type != NODE_ELEMENT) continue;
      UniqueBstr childName;
      Check(child->get_nodeName(childName.put()), "nodeName");
      if (childName.view() == wanted && !f(std::move(child))) return;
    }
  }

  // The node of an element of this same document; anything else is refused,
  // as the other adapters refuse it.
  ComPtr<IXMLDOMNode> Own(const XmlElementPtr& e) const {
    const auto* other = dynamic_cast<const MsxmlElement*>(e.get());
    if (!other || !other->Node())
      Raise(err::kObjectNotSet, "Object variable not set (XML element)");
    if (other->DocTag() != tag_)
      Raise(err::kInvalidCall, "The element belongs to another document");
    return other->Node();
  }

  ComPtr<IXMLDOMNode> node_;
  Tag tag_;
};

ComPtr<IXMLDOMDocument> NewDocument() {
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &clsid)))
    Raise(err::kCannotCreateObject, "ActiveX component can't create object (MSXML 6)");
  ComPtr<IXMLDOMDocument> doc;
  const HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                        reinterpret_cast<void**>(doc.put()));
  if (FAILED(hr) || !doc)
    Raise(err::kCannotCreateObject, "ActiveX component can't create object (MSXML 6)");
  // View definitions are plain text: nothing outside them is fetched, and
  // nothing is validated against a schema.
  doc->put_async(VARIANT_FALSE);
  doc->put_resolveExternals(VARIANT_FALSE);
  doc->put_validateOnParse(VARIANT_FALSE);
  return doc;
}

class MsxmlDocument final : public XmlDocument {
 public:
  MsxmlDocument() : doc_(NewDocument()) {}

  bool LoadXml(const std::string& text) override {
    if (text.find('\0') != std::string::npos) return false;
    // A failed load empties a document, so it happens on a fresh one.
    ComPtr<IXMLDOMDocument> fresh = NewDocument();
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (FAILED(fresh->loadXML(ToBstr(text).get(), &ok)) || ok != VARIANT_TRUE) return false;
    ComPtr<IXMLDOMElement> root;
    if (FAILED(fresh->get_documentElement(root.put())) || !root) return false;
    doc_ = std::move(fresh);
    tag_ = std::make_shared<const DocumentTag>();
    return true;
  }

  std::string Xml() override {
    UniqueBstr xml;
    Check(doc_->get_xml(xml.put()), "xml");
    return xml.utf8();
  }

  XmlElementPtr Root() override {
    ComPtr<IXMLDOMElement> root;
    Check(doc_->get_documentElement(root.put()), "documentElement");
    auto node = root.As<IXMLDOMNode>(IID_IXMLDOMNode);
    if (!node) return nullptr;
    return std::make_shared<MsxmlElement>(std::move(node), tag_);
  }

  XmlElementPtr CreateElement(const std::string& name) override {
    ComPtr<IXMLDOMElement> element;
    Check(doc_->createElement(ToBstr(name).get(), element.put()), "createElement");
    auto node = element.As<IXMLDOMNode>(IID_IXMLDOMNode);
    if (!node) Raise(err::kObjectNotSet, "Object variable not set (XML element)");
    return std::make_shared<MsxmlElement>(std::move(node), tag_);
  }

 private:
  ComPtr<IXMLDOMDocument> doc_;
  Tag tag_ = std::make_shared<const DocumentTag>();
};

}  // namespace

std::unique_ptr<XmlDocument> MsxmlFactory::CreateDocument() {
  return std::make_unique<MsxmlDocument>();
}

}  // namespace velmora::win32
