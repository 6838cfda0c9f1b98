#include "platform/posix/xml_pugi.h"

#include <pugixml.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "common/host_error.h"

namespace velmora::posix {

namespace {

// One parsed document. pugixml cannot hold a node outside a tree, so new and
// removed elements wait under a holding element of the same document, which
// is never written out: element objects then stay valid whatever is done to
// the tree, as the DOM's detached nodes do.
struct Tree {
  pugi::xml_document doc;
  pugi::xml_node holding;

  void Reset() {
    holding = doc.append_child(pugi::node_element);
    holding.set_name("velmora-detached");
  }
  bool IsHolding(pugi::xml_node n) const { return n == holding; }
};

class PugiElement final : public XmlElement {
 public:
  PugiElement(std::shared_ptr<Tree> tree, pugi::xml_node node)
      : tree_(std::move(tree)), node_(node) {}

  std::string Name() override { return node_.name(); }

  // The text of every descendant, in document order, as the DOM's text reads.
  std::string Text() override {
    std::string text;
    for (auto n = node_.first_child(); n && n != node_;) {
      if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
      if (n.first_child()) {
        n = n.first_child();
        continue;
      }
      while (n != node_ && !n.next_sibling())
        n = n.parent();
      if (n != node_) n = n.next_sibling();
    }
    return text;
  }

  void SetText(const std::string& text) override {
    if (text.find('\0') != std::string::npos) Refuse("XML text cannot hold a NUL character");
    while (node_.first_child())
      node_.remove_child(node_.first_child());
    if (!text.empty()) node_.append_child(pugi::node_pcdata).set_value(text.c_str());
  }

  std::vector<XmlElementPtr> Children(const std::string& name) override {
    std::vector<XmlElementPtr> out;
    for (auto child : node_.children())
      if (IsElementNamed(child, name)) out.push_back(Wrap(child));
    return out;
  }

  XmlElementPtr FirstChild(const std::string& name) override {
    for (auto child : node_.children())
      if (IsElementNamed(child, name)) return Wrap(child);
    return nullptr;
  }

  void AppendChild(const XmlElementPtr& child) override {
    if (!node_.append_move(Own(child))) Refuse("The element cannot be appended here");
  }

  void InsertBefore(const XmlElementPtr& child, const XmlElementPtr& reference) override {
    const pugi::xml_node ref = Own(reference);
    if (ref.parent() != node_) Refuse("The reference element is not a child of this element");
    if (!node_.insert_move_before(Own(child), ref)) Refuse("The element cannot be inserted here");
  }

  void RemoveChild(const XmlElementPtr& child) override {
    const pugi::xml_node n = Own(child);
    if (n.parent() != node_) Refuse("The element is not a child of this element");
    // Kept aside rather than destroyed: the caller may still hold it.
    if (!tree_->holding.append_move(n)) Refuse("The element cannot be removed");
  }

  pugi::xml_node Node() const { return node_; }
  const Tree* Owner() const { return tree_.get(); }

 private:
  bool IsElementNamed(pugi::xml_node n, const std::string& name) const {
    return n.type() == pugi::node_element && !tree_->IsHolding(n) && name == n.name();
  }
  XmlElementPtr Wrap(pugi::xml_node n) const { return std::make_shared<PugiElement>(tree_, n); }

  // The node of an element of this same document; anything else is refused.
  pugi::xml_node Own(const XmlElementPtr& e) const {
    const auto* other = dynamic_cast<const PugiElement*>(e.get());
    if (!other) Raise(err::kObjectNotSet, "Object variable not set (XML element)");
    if (other->Owner() != tree_.get()) Refuse("The element belongs to another document");
    return other->Node();
  }

  [[noreturn]] static void Refuse(const char* why) { Raise(err::kInvalidCall, why); }

  std::shared_ptr<Tree> tree_;
  pugi::xml_node node_;
};

class PugiDocument final : public XmlDocument {
 public:
  PugiDocument() { tree_->Reset(); }

  bool LoadXml(const std::string& text) override {
    auto fresh = std::make_shared<Tree>();
    // Declarations, comments and instructions are kept so that writing the
    // text back changes only what was edited; no entity or DTD is resolved.
    const unsigned flags = pugi::parse_default | pugi::parse_declaration | pugi::parse_comments |
                           pugi::parse_pi | pugi::parse_doctype;
    const auto result =
        fresh->doc.load_buffer(text.data(), text.size(), flags, pugi::encoding_utf8);
    if (!result) return false;
    // Exactly one root element, as a well-formed document has.
    int roots = 0;
    for (auto n : fresh->doc.children())
      roots += n.type() == pugi::node_element ? 1 : 0;
    if (roots != 1) return false;
    fresh->Reset();
    tree_ = std::move(fresh);
    return true;
  }

  std::string Xml() override {
    std::ostringstream out;
    for (auto n : tree_->doc.children())
      if (!tree_->IsHolding(n)) n.print(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
  }

  XmlElementPtr Root() override {
    for (auto n : tree_->doc.children())
      if (n.type() == pugi::node_element && !tree_->IsHolding(n))
        return std::make_shared<PugiElement>(tree_, n);
    return nullptr;
  }

  XmlElementPtr CreateElement(const std::string& name) override {
    if (name.empty() || name.find_first_of(" <>&\"'/=\t\r\n") != std::string::npos ||
        name.find('\0') != std::string::npos)
      Raise(err::kInvalidCall, "Not a valid element name: " + name);
    auto n = tree_->holding.append_child(pugi::node_element);
    n.set_name(name.c_str());
    return std::make_shared<PugiElement>(tree_, n);
  }

 private:
  std::shared_ptr<Tree> tree_ = std::make_shared<Tree>();
};

}  // namespace

std::unique_ptr<XmlDocument> PugiXmlFactory::CreateDocument() {
  return std::make_unique<PugiDocument>();
}

}  // namespace velmora::posix
