// The engine on the in-memory host with helpers for the scheduled-mail folder's
// tests. Each test starts as a fresh load of the add-in (the folder not yet
// looked for).
#pragma once

#include <string>
#include <vector>

#include "integration/engine_fixture.h"

namespace velmora::test {

class VelmoraFolderTest : public EngineTest {
 protected:
  host::FolderPtr Inbox() { return Folder(host::ol::kFolderInbox); }
  host::FolderPtr Drafts() { return Folder(host::ol::kFolderDrafts); }
  host::FolderPtr Root() { return Inbox()->Parent(); }
  host::MailItemPtr SavedMail(const host::FolderPtr& folder, const std::string& subject) {
    auto item = folder->Items()->Add(host::ol::kMailItem);
    item->SetSubject(subject);
    item->Save();
    return item;
  }
  std::vector<std::string> Subjects(const host::FolderPtr& folder) {
    std::vector<std::string> out;
    for (int i = 1; i <= folder->Items()->Count(); ++i)
      out.push_back(folder->Items()->Item(i)->Subject());
    return out;
  }
  // The item as stored now, whatever an object held for it buffers.
  host::MailItemPtr Reloaded(const host::MailItemPtr& item) {
    return ns->GetItemFromID(item->EntryID());
  }
};

}  // namespace velmora::test
