#include "platform/posix/host/host_context.h"

#include <algorithm>
#include <cstdlib>

#include "common/host_error.h"
#include "common/services.h"
#include "platform/posix/host/explorer.h"
#include "platform/posix/host/inspector.h"
#include "platform/posix/host/mail_item.h"
#include "platform/posix/host/sync_object.h"
#include "platform/posix/store/recipients.h"
#include "platform/posix/store/store_error.h"
#include "platform/posix/system_clock.h"

namespace velmora::posix {

namespace {

constexpr const char* kDefaultVersion = "16.0.0.0";

}  // namespace

HostContext::HostContext(std::unique_ptr<MailStore> store, HostPorts ports)
    : store_(std::move(store)), ports_(ports), fallbackClock_(std::make_unique<SystemClock>()) {}

HostContext::~HostContext() = default;

DateTime HostContext::Now() const {
  if (ports_.clock) return ports_.clock->Now();
  if (const auto* clock = GetServices().clock) return clock->Now();
  return fallbackClock_->Now();
}

const Locale& HostContext::TheLocale() const {
  if (ports_.locale) return *ports_.locale;
  if (const auto* locale = GetServices().locale) return *locale;
  return fallbackLocale_;
}

std::string HostContext::Version() {
  const auto v = store_->Setting("Version");
  return v && !v->empty() ? *v : kDefaultVersion;
}

bool HostContext::HasViews() {
  // The oldest host (version 9) has no view interface.
  return Version().front() != '9';
}

std::string HostContext::DefaultFrom() {
  if (auto from = store_->Setting(kSettingFrom); from && IsValidAddress(*from)) return *from;
  for (const char* var : {"USER", "LOGNAME"}) {
    const char* user = std::getenv(var);
    if (user && *user) {
      const std::string address = std::string(user) + "@localhost";
      if (IsValidAddress(address)) return address;
    }
  }
  return "velmora@localhost";
}

std::shared_ptr<HostExplorer> HostContext::OpenExplorer(const ExplorerOptions& options) {
  if (shutDown_) Raise(store_err::kFailed, "The operation failed. (host closed)");
  auto explorer = std::make_shared<HostExplorer>(shared_from_this(), options);
  explorers_.push_back(explorer);
  newExplorer_.Raise(explorer);
  return explorer;
}

std::shared_ptr<HostInspector> HostContext::OpenInspector(std::shared_ptr<HostMailItem> item,
                                                          const InspectorOptions& options) {
  if (shutDown_) Raise(store_err::kFailed, "The operation failed. (host closed)");
  Need(item, "Object variable not set (item)");
  // An item already shown is brought forward, not opened twice.
  for (const auto& open : inspectors_) {
    const auto& shown = open->Item();
    if (shown == item || (!item->IsNew() && shown->EntryID() == item->EntryID())) return open;
  }
  auto inspector = std::make_shared<HostInspector>(shared_from_this(), std::move(item), options);
  inspector->Build();
  inspectors_.push_back(inspector);
  newInspector_.Raise(inspector);
  return inspector;
}

void HostContext::Forget(const HostExplorer* explorer) {
  std::erase_if(explorers_, [explorer](const auto& e) { return e.get() == explorer; });
}

void HostContext::Forget(const HostInspector* inspector) {
  std::erase_if(inspectors_, [inspector](const auto& i) { return i.get() == inspector; });
}

void HostContext::Register(const std::shared_ptr<HostControl>& control) {
  if (controls_.size() >= 64 && controls_.size() % 64 == 0)
    std::erase_if(controls_, [](const auto& w) { return w.expired(); });
  controls_.push_back(control);
}

std::vector<std::shared_ptr<HostControl>> HostContext::ControlsTagged(std::string_view tag) {
  std::vector<std::shared_ptr<HostControl>> out;
  for (const auto& w : controls_)
    if (auto c = w.lock(); c && c->Tag() == tag) out.push_back(std::move(c));
  return out;
}

void HostContext::SendFromInspector(HostInspector& inspector) {
  auto item = inspector.Item();
  bool cancel = false;
  itemSend_.Raise(item, cancel);
  if (cancel) return;
  item->Submit();
  inspector.Dismiss();
}

std::shared_ptr<HostSyncObject> HostContext::SyncGroup() {
  if (!sync_) sync_ = std::make_shared<HostSyncObject>(weak_from_this());
  return sync_;
}

void HostContext::Shutdown() {
  shutDown_ = true;
  explorers_.clear();
  inspectors_.clear();
  controls_.clear();
  addIns_.clear();
  sync_.reset();
  newExplorer_ = {};
  newInspector_ = {};
  itemSend_ = {};
}

}  // namespace velmora::posix
