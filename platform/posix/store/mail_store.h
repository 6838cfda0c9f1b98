// The standalone host's mail store: one SQLite database per user holding the
// folders, items (with typed user properties and embedded attachments), views,
// navigation pane shortcuts and the host's settings. Every change of more than
// one statement is one transaction, so two processes sharing the file never see
// half a change. The object semantics (buffered edits) live in the host layer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/datetime.h"
#include "platform/posix/store/records.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::posix {

class MailStore {
 public:
  // Opens (creating and seeding when new) the store; raises on failure, or
  // when the file is a store of a newer schema than this program knows.
  // `readOnly` opens an existing store only to read it: nothing is created
  // or upgraded, and a store of an older schema is refused.
  static std::unique_ptr<MailStore> Open(const std::filesystem::path& path, bool readOnly = false);
  static std::unique_ptr<MailStore> OpenInMemory();
  // DataHome()/store.db.
  static std::filesystem::path DefaultPath();

  sql::Database& Db() { return *db_; }
  std::uint64_t Generation() { return db_->Generation(); }

  // Settings of the host ("Version", mail transport, ...).
  std::optional<std::string> Setting(const std::string& key);
  void SetSetting(const std::string& key, const std::string& value);

  // Folders.
  FolderRecord Root();
  // One of 3, 4, 5, 6, 16; raises for other numbers.
  FolderRecord DefaultFolder(int kind);
  std::optional<FolderRecord> FolderById(std::int64_t id);
  std::optional<FolderRecord> FolderByEntryId(const std::string& entryId);
  std::vector<FolderRecord> Children(std::int64_t parentId);
  // Raises kCollision when the parent already has a folder of that name
  // (compared exactly, as letter case tells folders apart).
  FolderRecord AddFolder(std::int64_t parentId, const std::string& name, int itemType);

  // Items, in the order they arrived in their folder.
  int CountItems(std::int64_t folderId);
  std::vector<std::string> ItemIds(std::int64_t folderId);
  std::optional<std::string> ItemIdAt(std::int64_t folderId, int index);  // 1-based
  std::optional<ItemRecord> LoadItem(const std::string& entryId);
  // Every item of the folder as LoadItem gives it, in one read of three
  // statements however many items there are, but with empty bodies, which
  // ItemBody reads one at a time: a large folder is walked for its
  // schedules, seldom for its texts.
  std::vector<ItemRecord> LoadFolderItems(std::int64_t folderId);
  // Nothing when no item has that entry id.
  std::optional<std::string> ItemBody(const std::string& entryId);
  // The earliest value of the date-time property among the folder's items
  // of the class; nothing when none of them carries it. One indexed look-up.
  std::optional<DateTime> EarliestDate(std::int64_t folderId, int itemClass,
                                       const std::string& name);
  // Writes the changes in one transaction; returns the item's entry id.
  // Raises kNotFound when the item is no longer in the store.
  std::string SaveItem(const ItemChanges& changes, DateTime now);
  // A stored copy of the item in the same folder, with a new entry id.
  std::string CopyItem(const std::string& entryId, DateTime now);
  void MoveItem(const std::string& entryId, std::int64_t folderId);
  void RemoveItem(const std::string& entryId);
  // Submits or recalls an item; either clears its transmission state.
  void SetSubmitted(const std::string& entryId, bool submitted);
  // Moves a submitted item through the transmission states (records.h):
  // underway (committed at once; raises inside an open transaction, where it
  // could not be), held (no longer submitted), or none again.
  void SetTransmission(const std::string& entryId, int state);
  // Moves a transmitted item to Sent Items, sent, with its send time.
  void MarkSent(const std::string& entryId, DateTime when, const std::string& from);
  std::string AttachmentBytes(std::int64_t attachmentId);

  // Views of a folder.
  std::vector<ViewRecord> Views(std::int64_t folderId);
  std::optional<ViewRecord> FindView(std::int64_t folderId, const std::string& name);
  ViewRecord AddView(std::int64_t folderId, const std::string& name, int viewType, int saveOption,
                     const std::string& xml);
  void SetViewXml(std::int64_t viewId, const std::string& xml);
  void NoteViewApplied(std::int64_t viewId);
  std::optional<ViewRecord> ViewById(std::int64_t viewId);

  // Navigation pane shortcuts of a group, in their order.
  std::vector<ShortcutRecord> Shortcuts(const std::string& group);
  ShortcutRecord AddShortcut(const std::string& group, const std::string& name,
                             const std::string& targetEntryId);
  void RemoveShortcut(std::int64_t id);

 private:
  explicit MailStore(std::unique_ptr<sql::Database> db) : db_(std::move(db)) {}
  void Prepare();
  std::int64_t ItemRowId(const std::string& entryId);
  void InsertAttachment(std::int64_t itemId, const NewAttachment& a);

  std::unique_ptr<sql::Database> db_;
};

}  // namespace velmora::posix
