// The mail store as the commands other than `run` use it: opened beside a
// running host (no host lock; SQLite waits for the host's transactions), with
// the add-in's ports that the scheduled-mail folder and the recipient check
// need. Message boxes are collected, not printed: the command reports them.
// In a home the user cannot write to, the store is opened for reading only
// (main lets only reading commands get this far).
#pragma once

#include <memory>
#include <string>

#include "addin/store/addin_services.h"
#include "addin/store/host.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/terminal_ports.h"
#include "platform/posix/xml_pugi.h"

namespace velmora::cli {

class StoreSession {
 public:
  StoreSession();
  ~StoreSession();
  StoreSession(const StoreSession&) = delete;
  StoreSession& operator=(const StoreSession&) = delete;

  posix::MailHost& Host() { return *host_; }
  host::ApplicationPtr App() { return host_->App(); }
  host::NameSpacePtr Namespace();
  // The scheduled-mail folder, created with its view when `create`; raises
  // UsageError with the add-in's message when a same-named folder holds
  // something else, nothing when absent and not `create`.
  host::FolderPtr VelmoraFolder(bool create);
  // The stored mail with that entry id; raises UsageError naming it otherwise.
  host::MailItemPtr Item(const std::string& entryId);
  // Whether the item lies in that folder.
  static bool IsIn(const host::MailItemPtr& item, const host::FolderPtr& folder);
  // The message boxes shown since the session opened.
  const std::vector<std::string>& Messages() const { return box_.Shown(); }
  // Rewrites "NextOccurence" for the tray launcher.
  void SaveNextOccurence();

 private:
  std::unique_ptr<posix::MailHost> host_;
  posix::TerminalMessageBox box_{nullptr};
  posix::PugiXmlFactory xml_;
  std::unique_ptr<ScopedAddinServices> addin_;
};

}  // namespace velmora::cli
