// What every object of the standalone host shares: the mail store, the ports
// it was opened with (event loop, transport, clock, locale), and the in-memory
// window side (explorers, inspectors, command bar controls, add-ins) with the
// application-wide events.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "addin/store/host.h"
#include "common/clock.h"
#include "common/dispatcher.h"
#include "common/locale.h"
#include "common/picture_locale.h"
#include "common/trap.h"
#include "platform/posix/store/mail_store.h"
#include "platform/posix/store/transport.h"

namespace velmora::posix {

class HostExplorer;
class HostInspector;
class HostControl;
class HostMailItem;
class HostSyncObject;
class HostComAddIn;

// How an inspector opened by the host looks; tests choose other editors,
// hidden or missing Send controls.
struct InspectorOptions {
  int editorType = host::ol::kEditorHtml;
  bool isWordMail = false;
  bool sendControl = true;  // the "Standard" bar has the Send control (id 2617)
  bool sendVisible = true;
  int left = 120, top = 90, width = 760, height = 560;
};

struct ExplorerOptions {
  host::FolderPtr folder;  // the Inbox when not given
  int left = 0, top = 0, width = 1024, height = 768;
};

struct HostPorts {
  Dispatcher* dispatcher = nullptr;  // send/receive runs here; required for Start
  Transport* transport = nullptr;    // none: every transmission fails
  const Clock* clock = nullptr;      // the services' clock, else the system clock
  const Locale* locale = nullptr;    // the services' locale, else United States
};

class HostContext : public std::enable_shared_from_this<HostContext> {
 public:
  HostContext(std::unique_ptr<MailStore> store, HostPorts ports);
  ~HostContext();
  HostContext(const HostContext&) = delete;
  HostContext& operator=(const HostContext&) = delete;

  MailStore& Store() { return *store_; }
  HostPorts& Ports() { return ports_; }
  DateTime Now() const;
  const Locale& TheLocale() const;
  // The host's version text: the "Version" setting, else "16.0.0.0".
  std::string Version();
  bool HasViews();
  // The sender of mails without one: the "From" setting, else user@localhost.
  static constexpr const char* kSettingFrom = "From";
  std::string DefaultFrom();

  // Windows. Opening raises NewExplorer / NewInspector.
  std::shared_ptr<HostExplorer> OpenExplorer(const ExplorerOptions& options);
  std::shared_ptr<HostInspector> OpenInspector(std::shared_ptr<HostMailItem> item,
                                               const InspectorOptions& options);
  void Forget(const HostExplorer* explorer);
  void Forget(const HostInspector* inspector);
  const std::vector<std::shared_ptr<HostExplorer>>& Explorers() const { return explorers_; }
  const std::vector<std::shared_ptr<HostInspector>>& Inspectors() const { return inspectors_; }
  InspectorOptions& InspectorDefaults() { return inspectorDefaults_; }

  host::Event<host::ExplorerPtr>& NewExplorerEvent() { return newExplorer_; }
  host::Event<host::InspectorPtr>& NewInspectorEvent() { return newInspector_; }
  host::Event<host::MailItemPtr, bool&>& ItemSendEvent() { return itemSend_; }

  // Every control made, so that a click reaches each held control with the
  // clicked one's tag, in whichever window.
  void Register(const std::shared_ptr<HostControl>& control);
  std::vector<std::shared_ptr<HostControl>> ControlsTagged(std::string_view tag);

  // The host's own Send command of a mail window.
  void SendFromInspector(HostInspector& inspector);

  std::shared_ptr<HostSyncObject> SyncGroup();
  std::vector<std::shared_ptr<HostComAddIn>>& AddIns() { return addIns_; }
  bool safeMailAvailable = true;

  // Drops the windows, controls and event handlers, which refer back to the
  // context; objects the engine still holds then find an empty host.
  void Shutdown();
  bool ShutDown() const { return shutDown_; }

 private:
  bool shutDown_ = false;
  std::unique_ptr<MailStore> store_;
  HostPorts ports_;
  PictureLocale fallbackLocale_;
  std::unique_ptr<Clock> fallbackClock_;
  std::vector<std::shared_ptr<HostExplorer>> explorers_;
  std::vector<std::shared_ptr<HostInspector>> inspectors_;
  std::vector<std::weak_ptr<HostControl>> controls_;
  std::vector<std::shared_ptr<HostComAddIn>> addIns_;
  std::shared_ptr<HostSyncObject> sync_;
  InspectorOptions inspectorDefaults_;
  host::Event<host::ExplorerPtr> newExplorer_;
  host::Event<host::InspectorPtr> newInspector_;
  host::Event<host::MailItemPtr, bool&> itemSend_;
};

using ContextPtr = std::shared_ptr<HostContext>;

// Connects an add-in's handler to a host event. A handler that fails is
// logged and passed over, as the host does with an event sink's error, so the
// other handlers and the host's own work go on.
template <class... A, class H>
host::SubscriptionPtr ConnectGuarded(host::Event<A...>& event, const char* where, H handler) {
  return event.Connect(
      [where, h = std::move(handler)](A... args) { Trap(where, [&] { h(args...); }); });
}

}  // namespace velmora::posix
