// The host's list of COM add-ins, in memory: the standalone host (or a test)
// registers the add-ins it loads, so the engine finds itself in it.
#pragma once

#include <memory>
#include <string>

#include "addin/store/host.h"
#include "platform/posix/host/host_context.h"

namespace velmora::posix {

class HostComAddIn final : public host::COMAddIn {
 public:
  HostComAddIn(std::string progId, std::string description, bool connected)
      : progId_(std::move(progId)), description_(std::move(description)), connected_(connected) {}
  std::string ProgID() override { return progId_; }
  std::string Description() override { return description_; }
  bool Connect() override { return connected_; }
  void SetObject(void* addin) override { object_ = addin; }
  void* Object() override { return object_; }

  void SetConnect(bool connected) { connected_ = connected; }

 private:
  std::string progId_;
  std::string description_;
  bool connected_;
  void* object_ = nullptr;
};

class HostComAddIns final : public host::COMAddIns {
 public:
  explicit HostComAddIns(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  int Count() override { return static_cast<int>(ctx_->AddIns().size()); }
  host::COMAddInPtr Item(int index) override;

 private:
  ContextPtr ctx_;
};

}  // namespace velmora::posix
