#include "apps/velmora/store_session.h"

#include "addin/store/folder.h"
#include "addin/store/sending.h"
#include "addin/store/versions.h"
#include "apps/velmora/command.h"
#include "common/host_error.h"
#include "common/trap.h"
#include "platform/posix/paths.h"

namespace velmora::cli {

StoreSession::StoreSession()
    : host_(posix::MailHost::Open(posix::MailHost::DefaultStorePath(), {},
                                  posix::ReadOnlyHome().has_value())) {
  addin_ = std::make_unique<ScopedAddinServices>(
      AddinServices{&host_->Objects(), &box_, nullptr, nullptr, nullptr, &xml_, host_->App()});
  Main::ResetVelmoraFolderLookup();
  // The folder's view depends on the host's version, as when the add-in loads.
  GetOutlookVersion();
}

StoreSession::~StoreSession() {
  addin_.reset();
  Main::ResetVelmoraFolderLookup();
}

host::NameSpacePtr StoreSession::Namespace() {
  return NeedPtr(App()->GetNamespace("MAPI"));
}

host::FolderPtr StoreSession::VelmoraFolder(bool create) {
  const std::size_t before = box_.Shown().size();
  host::FolderPtr folder = Main::GetVelmoraFolder(create);
  if (!folder && box_.Shown().size() > before) throw UsageError(box_.Shown().back());
  if (!folder && create)
    Raise(err::kObjectNotSet, "The scheduled-mail folder could not be created (see the log).");
  return folder;
}

host::MailItemPtr StoreSession::Item(const std::string& entryId) {
  host::MailItemPtr item;
  Ignore([&] { item = Namespace()->GetItemFromID(entryId); });
  if (!item) throw UsageError("no mail with the id '" + entryId + "' (see velmora list)");
  return item;
}

bool StoreSession::IsIn(const host::MailItemPtr& item, const host::FolderPtr& folder) {
  if (!item || !folder) return false;
  auto parent = item->Parent();
  return parent && parent->EntryID() == folder->EntryID();
}

void StoreSession::SaveNextOccurence() {
  Main::SaveNextOccurence();
}

}  // namespace velmora::cli
