// The in-memory standalone host with the add-in's ports installed as the
// add-in sees them when connected: the host application, a scripted message
// box, the pugixml documents, United States settings and a manual clock. Each
// test starts as a fresh load of the add-in (the folder not yet looked for).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "addin/store/addin_services.h"
#include "addin/store/folder.h"
#include "addin/store/versions.h"
#include "common/picture_locale.h"
#include "common/services.h"
#include "platform/posix/host/mail_host.h"
#include "platform/posix/xml_pugi.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"
#include "support/scripted_message_box.h"

namespace velmora::test {

class VelmoraFolderTest : public ::testing::Test {
 protected:
  VelmoraFolderTest() {
    Main::ResetVelmoraFolderLookup();
    GetOutlookVersion();
  }
  ~VelmoraFolderTest() override {
    Main::ResetVelmoraFolderLookup();
    g_OutlookVersion.clear();
  }

  host::FolderPtr Inbox() { return ns->GetDefaultFolder(host::ol::kFolderInbox); }
  host::FolderPtr Drafts() { return ns->GetDefaultFolder(host::ol::kFolderDrafts); }
  host::FolderPtr Root() { return Inbox()->Parent(); }
  // A saved mail in the folder.
  host::MailItemPtr SavedMail(const host::FolderPtr& folder, const std::string& subject) {
    auto item = folder->Items()->Add(host::ol::kMailItem);
    item->SetSubject(subject);
    item->SetTo("ann@example.com");
    item->Save();
    return item;
  }
  std::vector<std::string> Subjects(const host::FolderPtr& folder) {
    std::vector<std::string> out;
    auto items = folder->Items();
    for (int i = 1; i <= items->Count(); ++i)
      out.push_back(items->Item(i)->Subject());
    return out;
  }
  // The item as stored now, whatever an object held for it buffers.
  host::MailItemPtr Reloaded(const host::MailItemPtr& item) {
    return ns->GetItemFromID(item->EntryID());
  }

  ManualClock clock{DateTime::FromParts(2026, 12, 7, 9, 0, 0)};
  ManualDispatcher loop;
  std::unique_ptr<posix::MailHost> mail =
      posix::MailHost::OpenInMemory({.dispatcher = &loop, .clock = &clock});
  host::ApplicationPtr app = mail->App();
  host::NameSpacePtr ns = app->GetNamespace("MAPI");
  PictureLocale us;
  ScriptedMessageBox box;
  posix::PugiXmlFactory xmlFactory;

 private:
  Services WithPorts() {
    Services s = GetServices();
    s.clock = &clock;
    s.locale = &us;
    return s;
  }
  AddinServices AddinPorts() {
    AddinServices a;
    a.messageBox = &box;
    a.xml = &xmlFactory;
    a.app = app;
    return a;
  }
  ScopedServices services_{WithPorts()};
  ScopedAddinServices addin_{AddinPorts()};
};

}  // namespace velmora::test
