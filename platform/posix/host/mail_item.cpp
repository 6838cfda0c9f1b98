#include "platform/posix/host/mail_item.h"

#include <algorithm>

#include "common/host_error.h"
#include "platform/posix/host/folder.h"
#include "platform/posix/host/inspector.h"
#include "platform/posix/host/item_parts.h"
#include "platform/posix/host/value_convert.h"
#include "platform/posix/store/recipients.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

std::shared_ptr<HostMailItem> HostMailItem::Stored(ContextPtr ctx, const std::string& entryId) {
  if (entryId.empty()) return nullptr;
  std::shared_ptr<HostMailItem> item(new HostMailItem(std::move(ctx), entryId));
  item->Reload();
  if (item->gone_) return nullptr;
  item->seenIn_ = item->view_.folderId;
  return item;
}

std::shared_ptr<HostMailItem> HostMailItem::Loaded(ContextPtr ctx, ItemRecord record,
                                                   std::uint64_t generation) {
  std::shared_ptr<HostMailItem> item(new HostMailItem(std::move(ctx), record.entryId));
  item->view_ = std::move(record);
  item->seenIn_ = item->view_.folderId;
  item->loadedAt_ = generation;
  item->bodyUnread_ = true;
  return item;
}

std::shared_ptr<HostMailItem> HostMailItem::New(ContextPtr ctx, std::int64_t folderId,
                                                int itemClass) {
  std::shared_ptr<HostMailItem> item(new HostMailItem(std::move(ctx), {}));
  item->view_.folderId = item->seenIn_ = folderId;
  item->view_.fields.itemClass = itemClass;
  item->view_.fields.created = item->view_.fields.modified = item->ctx_->Now();
  return item;
}

bool HostMailItem::Dirty() const {
  return fieldMask_ != 0 || !touchedProps_.empty() || !newAttachments_.empty();
}

const ItemRecord& HostMailItem::View() {
  if (!IsNew() && !gone_ && !Dirty()) {
    if (!loadedAt_ || *loadedAt_ != ctx_->Store().Generation()) Reload();
  }
  return view_;
}

const ItemRecord& HostMailItem::FullView() {
  View();
  if (bodyUnread_ && !gone_) {
    // Read at the generation View() has just checked: the rest of the
    // record's.
    if (auto body = ctx_->Store().ItemBody(entryId_))
      view_.fields.body = std::move(*body);
    else
      gone_ = true;
    bodyUnread_ = false;
  }
  return view_;
}

void HostMailItem::Reload() {
  const auto generation = ctx_->Store().Generation();
  auto record = ctx_->Store().LoadItem(entryId_);
  if (!record) {
    // Another object moved it out of the store; keep showing what it was.
    gone_ = true;
    return;
  }
  view_ = std::move(*record);
  loadedAt_ = generation;
  bodyUnread_ = false;
}

void HostMailItem::Live() {
  if (gone_) RaiseMovedOrDeleted();
}

void HostMailItem::StillWhereSeen() {
  const auto stored = ctx_->Store().LoadItem(entryId_);
  if (!stored || stored->folderId != seenIn_) RaiseMovedOrDeleted();
}

ItemRecord& HostMailItem::Edit() {
  Live();
  // The changes start from the whole item as the store holds it now.
  FullView();
  Live();
  return view_;
}

void HostMailItem::Clear() {
  fieldMask_ = 0;
  touchedProps_.clear();
  newAttachments_.clear();
}

int HostMailItem::Class() {
  return View().fields.itemClass;
}

void HostMailItem::SetSubject(const std::string& v) {
  Edit().fields.subject = v;
  fieldMask_ |= field::kSubject;
}

void HostMailItem::SetBody(const std::string& v) {
  Edit().fields.body = v;
  fieldMask_ |= field::kBody;
}

void HostMailItem::SetTo(const std::string& v) {
  Edit().fields.to = v;
  fieldMask_ |= field::kTo;
}

void HostMailItem::SetCC(const std::string& v) {
  Edit().fields.cc = v;
  fieldMask_ |= field::kCc;
}

void HostMailItem::SetBCC(const std::string& v) {
  Edit().fields.bcc = v;
  fieldMask_ |= field::kBcc;
}

void HostMailItem::SetImportance(int v) {
  if (v < host::ol::kImportanceLow || v > host::ol::kImportanceHigh)
    Raise(store_err::kInvalidArgument, "The value of Importance is out of range.");
  Edit().fields.importance = v;
  fieldMask_ |= field::kImportance;
}

std::int64_t HostMailItem::FolderId() {
  return View().folderId;
}

host::FolderPtr HostMailItem::Parent() {
  return HostFolder::Make(ctx_, FolderId());
}

void HostMailItem::Display() {
  Live();
  ctx_->OpenInspector(shared_from_this(), ctx_->InspectorDefaults());
}

void HostMailItem::Save() {
  Live();
  if (!IsNew() && !Dirty()) return;
  ItemChanges c;
  c.entryId = entryId_;
  c.folderId = view_.folderId;
  c.itemClass = view_.fields.itemClass;
  c.fieldMask = fieldMask_;
  c.fields = view_.fields;
  for (const auto& p : view_.props)
    if (touchedProps_.count(p.name)) c.setProps.push_back(p);
  for (const auto& name : touchedProps_)
    if (!FindProp(name)) c.removedProps.push_back(name);
  c.newAttachments = std::move(newAttachments_);
  try {
    entryId_ = ctx_->Store().SaveItem(c, ctx_->Now());
  } catch (...) {
    newAttachments_ = std::move(c.newAttachments);  // nothing is lost on a failed save
    throw;
  }
  Clear();
  Reload();
}

void HostMailItem::Discard() {
  Clear();
  loadedAt_.reset();
  if (IsNew()) {
    const auto folderId = view_.folderId;
    const auto itemClass = view_.fields.itemClass;
    view_ = ItemRecord{};
    view_.folderId = folderId;
    view_.fields.itemClass = itemClass;
    view_.fields.created = view_.fields.modified = ctx_->Now();
  }
}

host::MailItemPtr HostMailItem::Copy() {
  Save();
  auto copy = Stored(ctx_, ctx_->Store().CopyItem(entryId_, ctx_->Now()));
  return copy;
}

void HostMailItem::MoveTo(std::int64_t folderId) {
  Save();
  StillWhereSeen();
  ctx_->Store().MoveItem(entryId_, folderId);
  seenIn_ = folderId;
  loadedAt_.reset();
}

host::MailItemPtr HostMailItem::Move(host::FolderPtr destination) {
  auto* folder = dynamic_cast<HostFolder*>(&Need(destination, "Object variable not set (folder)"));
  if (!folder) Raise(err::kTypeMismatch, "Type mismatch (not a folder of this store)");
  MoveTo(folder->Id());
  return Stored(ctx_, entryId_);
}

void HostMailItem::Delete() {
  if (!IsNew()) {
    Live();
    StillWhereSeen();
    auto& store = ctx_->Store();
    const auto deletedItems = store.DefaultFolder(host::ol::kFolderDeletedItems).id;
    if (FolderId() == deletedItems)
      store.RemoveItem(entryId_);
    else
      store.MoveItem(entryId_, deletedItems);
  }
  Clear();
  gone_ = true;
}

void HostMailItem::Close(int saveMode) {
  if (saveMode == host::ol::kDiscard)
    Discard();
  else if (saveMode == host::ol::kSave || saveMode == host::ol::kPromptForSave)
    Save();  // with no user to ask, nothing typed is thrown away
  else
    Raise(store_err::kInvalidArgument, "The parameter is incorrect. (save mode)");
  for (const auto& inspector : std::vector(ctx_->Inspectors()))
    if (inspector->Item().get() == this) inspector->Dismiss();
}

void HostMailItem::Submit() {
  Live();
  if (View().fields.sent) Raise(store_err::kFailed, "The operation failed. (Already sent)");
  const auto& f = View().fields;
  if (SplitRecipients(f.to).empty() && SplitRecipients(f.cc).empty() &&
      SplitRecipients(f.bcc).empty())
    Raise(store_err::kNoRecipients,
          "There must be at least one name or distribution list in the To, Cc, or Bcc box.");
  Save();
  const auto outbox = ctx_->Store().DefaultFolder(host::ol::kFolderOutbox).id;
  if (FolderId() != outbox) {
    ctx_->Store().MoveItem(entryId_, outbox);
    seenIn_ = outbox;
  }
  ctx_->Store().SetSubmitted(entryId_, true);
  loadedAt_.reset();
}

host::AttachmentsPtr HostMailItem::Attachments() {
  return std::make_shared<HostAttachments>(shared_from_this());
}

host::UserPropertiesPtr HostMailItem::UserProperties() {
  return std::make_shared<HostUserProperties>(shared_from_this());
}

const PropRecord* HostMailItem::FindProp(const std::string& name) {
  const auto& props = View().props;
  const auto it =
      std::find_if(props.begin(), props.end(), [&](const PropRecord& p) { return p.name == name; });
  return it == props.end() ? nullptr : &*it;
}

void HostMailItem::AddProp(const std::string& name, int type) {
  if (name.empty()) Raise(store_err::kInvalidArgument, "The property name is empty.");
  if (!IsPropType(type))
    Raise(store_err::kInvalidArgument,
          "The property type " + std::to_string(type) + " is not supported.");
  auto& view = Edit();
  if (FindProp(name))
    Raise(store_err::kCollision, "A property named \"" + name + "\" already exists.");
  view.props.push_back({name, type, DefaultPropValue(type)});
  touchedProps_.insert(name);
}

void HostMailItem::SetProp(const std::string& name, PropValue value) {
  auto& view = Edit();
  for (auto& p : view.props) {
    if (p.name != name) continue;
    p.value = std::move(value);
    touchedProps_.insert(name);
    return;
  }
  RaiseMovedOrDeleted();
}

void HostMailItem::RemoveProp(const std::string& name) {
  auto& props = Edit().props;
  if (std::erase_if(props, [&](const PropRecord& p) { return p.name == name; }) == 0)
    RaiseMovedOrDeleted();
  touchedProps_.insert(name);
}

void HostMailItem::AddAttachment(NewAttachment attachment) {
  Edit().attachments.push_back({0, attachment.displayName, attachment.fileName,
                                static_cast<std::int64_t>(attachment.bytes.size())});
  newAttachments_.push_back(std::move(attachment));
}

}  // namespace velmora::posix
