// An item of the standalone host, with the host's object semantics: the object
// buffers its changes (fields, user properties, attachments) until Save, Move
// or Copy; another object of the same item sees them only once saved. An
// object without changes of its own reads what the store holds now.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "addin/store/host.h"
#include "platform/posix/host/host_context.h"
#include "platform/posix/store/records.h"

namespace velmora::posix {

class HostMailItem final : public host::MailItem,
                           public std::enable_shared_from_this<HostMailItem> {
 public:
  // The stored item, or nothing when no item has that entry id.
  static std::shared_ptr<HostMailItem> Stored(ContextPtr ctx, const std::string& entryId);
  // The stored item from a record read at the store's generation, its body
  // still to be read.
  static std::shared_ptr<HostMailItem> Loaded(ContextPtr ctx, ItemRecord record,
                                              std::uint64_t generation);
  // A new item of the class (43, 40, 26) that exists in the folder once saved.
  static std::shared_ptr<HostMailItem> New(ContextPtr ctx, std::int64_t folderId, int itemClass);

  int Class() override;
  std::string EntryID() override { return entryId_; }
  std::string Subject() override { return View().fields.subject; }
  void SetSubject(const std::string& v) override;
  std::string Body() override { return FullView().fields.body; }
  void SetBody(const std::string& v) override;
  std::string To() override { return View().fields.to; }
  void SetTo(const std::string& v) override;
  std::string CC() override { return View().fields.cc; }
  void SetCC(const std::string& v) override;
  std::string BCC() override { return View().fields.bcc; }
  void SetBCC(const std::string& v) override;
  int Importance() override { return View().fields.importance; }
  void SetImportance(int v) override;
  bool Sent() override { return View().fields.sent; }
  host::FolderPtr Parent() override;
  void Display() override;
  void Save() override;
  host::MailItemPtr Copy() override;
  host::MailItemPtr Move(host::FolderPtr destination) override;
  void Delete() override;
  void Close(int saveMode) override;
  host::AttachmentsPtr Attachments() override;
  host::UserPropertiesPtr UserProperties() override;

  // For the host's other objects and for tests.
  bool Dirty() const;
  bool IsNew() const { return entryId_.empty(); }
  // Deleted, or removed from the store by another object.
  bool Gone() const { return gone_; }
  std::int64_t FolderId();
  bool Submitted() { return View().fields.submitted; }
  std::string From() { return View().fields.from; }
  // Drops the changes not yet saved.
  void Discard();
  // Saves, then moves the stored item into the folder, this object following it.
  void MoveTo(std::int64_t folderId);
  // Saves, then flags the item for the next send/receive.
  void Submit();

  const std::vector<PropRecord>& Props() { return View().props; }
  const PropRecord* FindProp(const std::string& name);
  void AddProp(const std::string& name, int type);
  void SetProp(const std::string& name, PropValue value);
  void RemoveProp(const std::string& name);
  const std::vector<AttachmentRecord>& AttachmentList() { return View().attachments; }
  void AddAttachment(NewAttachment attachment);

  const ContextPtr& Context() const { return ctx_; }

 private:
  HostMailItem(ContextPtr ctx, std::string entryId) : ctx_(std::move(ctx)), entryId_(entryId) {}
  // What the object shows: the store's item plus this object's changes.
  // The body may still be unread; FullView reads it.
  const ItemRecord& View();
  const ItemRecord& FullView();
  // Called before a change: the object starts from what the store holds now.
  ItemRecord& Edit();
  void Reload();
  void Clear();
  void Live();  // raises when the item has gone
  // Raises when another object moved or deleted the item since this one
  // last saw where it is.
  void StillWhereSeen();

  ContextPtr ctx_;
  std::string entryId_;
  ItemRecord view_;
  std::optional<std::uint64_t> loadedAt_;
  bool gone_ = false;
  // The record came from a folder read, which leaves bodies out.
  bool bodyUnread_ = false;
  // The folder this object last found or put the item in.
  std::int64_t seenIn_ = 0;
  unsigned fieldMask_ = 0;
  std::set<std::string> touchedProps_;
  std::vector<NewAttachment> newAttachments_;
};

}  // namespace velmora::posix
