// The XML document port over MSXML 6 (Msxml2.DOMDocument.6.0), for editing
// the host's view definitions on Windows.
//
// COM must already be initialised on the calling thread (CoInitializeEx or
// OleInitialize): inside the host that is done before the add-in is loaded;
// tests and tools do it themselves. Documents and elements belong to that
// thread's apartment and are used on it only.
#pragma once

#include <memory>

#include "addin/store/xml_dom.h"

namespace velmora::win32 {

class MsxmlFactory final : public XmlFactory {
 public:
  // Raises error 429 when MSXML 6 cannot be created.
  std::unique_ptr<XmlDocument> CreateDocument() override;
};

}  // namespace velmora::win32
