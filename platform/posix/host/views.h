// A folder's views: table views with their XML definition, which the store
// keeps. A view object buffers a new definition until Save; Apply is counted,
// so that tests can tell a view applied once from one applied twice.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "addin/store/host.h"
#include "platform/posix/host/host_context.h"

namespace velmora::posix {

class HostViews final : public host::Views {
 public:
  HostViews(ContextPtr ctx, std::int64_t folderId) : ctx_(std::move(ctx)), folderId_(folderId) {}
  int Count() override;
  host::ViewPtr Item(const std::string& name) override;
  // A table view (type 0) with the host's default columns; a name in use raises.
  host::ViewPtr Add(const std::string& name, int viewType, int saveOption) override;

 private:
  ContextPtr ctx_;
  std::int64_t folderId_;
};

class HostView final : public host::View {
 public:
  HostView(ContextPtr ctx, std::int64_t viewId, std::string name)
      : ctx_(std::move(ctx)), id_(viewId), name_(std::move(name)) {}
  std::string Name() override { return name_; }
  std::string Xml() override;
  // Raises when the text is not well-formed XML; the definition stays as it was.
  void SetXml(const std::string& xml) override;
  void Save() override;
  void Apply() override;

  // How many times the view has been applied, by any object.
  int AppliedCount();

 private:
  ContextPtr ctx_;
  std::int64_t id_;
  std::string name_;
  std::optional<std::string> pending_;
};

}  // namespace velmora::posix
