// The standalone mail host as one object: opens the mail store and gives the
// host application the engine drives, with the knobs tests and the `velmora`
// command use to set up a scene.
//
// How tests set up a scene:
//
//   test::ManualDispatcher loop;
//   test::RecordingTransport wire;
//   auto mail = posix::MailHost::OpenInMemory({.dispatcher = &loop, .transport = &wire});
//   host::ApplicationPtr app = mail->App();          // what the engine holds
//   auto ns = app->GetNamespace("MAPI");
//   auto inbox = ns->GetDefaultFolder(host::ol::kFolderInbox);
//   auto item = inbox->Items()->Add(host::ol::kMailItem);
//   item->SetTo("ann@example.com");
//   item->Save();
//   auto explorer = mail->OpenExplorer();            // raises NewExplorer
//   explorer->SetSelection({item});
//   auto window = mail->OpenInspector(item, {.editorType = host::ol::kEditorWord});
//   mail->SetVersion("9.0.0.2711");                  // the oldest host: no Views
//   mail->RegisterAddIn("Velmora.Connect", "Velmora");
//   ... the engine works; send/receive events wait in `loop` until
//   loop.Drain(); then wire.Sent() holds what left.
//
// The host's settings persist in the store ("Version", "From").
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "addin/store/host.h"
#include "platform/posix/host/explorer.h"
#include "platform/posix/host/host_context.h"
#include "platform/posix/host/inspector.h"
#include "platform/posix/host/safe_mail.h"

namespace velmora::posix {

class MailHost {
 public:
  // A private store in memory, created with its default folders.
  static std::unique_ptr<MailHost> OpenInMemory(HostPorts ports = {});
  // The store in the file, created private to the user when missing. Raises
  // when the file cannot be opened or is not a store of this program.
  // `readOnly` reads the store as it is and writes nothing beside it; a
  // missing one reads as a new, empty store that is never saved.
  static std::unique_ptr<MailHost> Open(const std::filesystem::path& storePath,
                                        HostPorts ports = {}, bool readOnly = false);
  // DataHome()/store.db.
  static std::filesystem::path DefaultStorePath();

  ~MailHost();
  MailHost(const MailHost&) = delete;
  MailHost& operator=(const MailHost&) = delete;

  host::ApplicationPtr App() const { return app_; }
  host::ObjectFactory& Objects() { return *objects_; }
  MailStore& Store() { return ctx_->Store(); }
  HostContext& Context() { return *ctx_; }

  // The host's version text, kept in the store's settings.
  void SetVersion(const std::string& version);
  // The sender of mails that name none, kept in the store's settings; empty
  // text goes back to the default, an address that is not one raises.
  void SetDefaultFrom(const std::string& address);
  void SetTransport(Transport* transport) { ctx_->Ports().transport = transport; }
  void SetDispatcher(Dispatcher* dispatcher) { ctx_->Ports().dispatcher = dispatcher; }
  // False: creating the safe-send object fails with error 429.
  void SetSafeMailAvailable(bool available) { ctx_->safeMailAvailable = available; }
  // How windows opened by Display() look.
  InspectorOptions& InspectorDefaults() { return ctx_->InspectorDefaults(); }

  // Opens a window as the user would, raising NewExplorer / NewInspector.
  std::shared_ptr<HostExplorer> OpenExplorer(const ExplorerOptions& options = {});
  std::shared_ptr<HostInspector> OpenInspector(host::MailItemPtr item);
  std::shared_ptr<HostInspector> OpenInspector(host::MailItemPtr item,
                                               const InspectorOptions& options);
  host::COMAddInPtr RegisterAddIn(const std::string& progId, const std::string& description,
                                  bool connected = true);
  // How often the folder's view of that name has been applied (0 when none).
  int ViewAppliedCount(const host::FolderPtr& folder, const std::string& name);

 private:
  explicit MailHost(std::unique_ptr<MailStore> store, HostPorts ports);
  std::shared_ptr<HostContext> ctx_;
  host::ApplicationPtr app_;
  std::unique_ptr<HostObjectFactory> objects_;
};

}  // namespace velmora::posix
