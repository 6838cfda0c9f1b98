// The item half of the mail store: loading, saving, copying, moving and
// removing items with their user properties and attachments.
#include <string>
#include <unordered_map>

#include "platform/posix/store/entry_id.h"
#include "platform/posix/store/mail_store.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

namespace {

constexpr const char* kNextArrival = "SELECT ifnull(max(arrival), 0) + 1 FROM items";

std::int64_t NextArrival(sql::Database& db) {
  sql::Stmt s(db, kNextArrival);
  s.Step();
  return s.Int(0);
}

void BindValue(sql::Stmt& s, int i, const PropValue& v) {
  if (const auto* t = std::get_if<std::string>(&v)) {
    s.Bind(i, *t);
  } else if (const auto* d = std::get_if<double>(&v)) {
    s.Bind(i, *d);
  } else if (const auto* when = std::get_if<DateTime>(&v)) {
    s.Bind(i, when->Seconds());
  } else {
    s.Bind(i, std::get<bool>(v) ? 1 : 0);
  }
}

// Property types: 1 text, 3 number, 5 date-time, 6 yes/no.
PropValue ReadValue(const sql::Stmt& s, int col, int type) {
  switch (type) {
    case 3:
      return s.Real(col);
    case 5:
      return DateTime::FromSeconds(s.Int(col));
    case 6:
      return s.Int(col) != 0;
    default:
      return s.Text(col);
  }
}

}  // namespace

std::int64_t MailStore::ItemRowId(const std::string& entryId) {
  sql::Stmt s(*db_, "SELECT id FROM items WHERE entry_id = ?");
  if (!s.Bind(1, entryId).Step()) RaiseMovedOrDeleted();
  return s.Int(0);
}

int MailStore::CountItems(std::int64_t folderId) {
  sql::Stmt s(*db_, "SELECT count(*) FROM items WHERE folder_id = ?");
  s.Bind(1, folderId).Step();
  return static_cast<int>(s.Int(0));
}

std::vector<std::string> MailStore::ItemIds(std::int64_t folderId) {
  sql::Stmt s(*db_, "SELECT entry_id FROM items WHERE folder_id = ? ORDER BY arrival");
  s.Bind(1, folderId);
  std::vector<std::string> ids;
  while (s.Step())
    ids.push_back(s.Text(0));
  return ids;
}

std::optional<std::string> MailStore::ItemIdAt(std::int64_t folderId, int index) {
  if (index < 1) return std::nullopt;
  sql::Stmt s(*db_,
              "SELECT entry_id FROM items WHERE folder_id = ? ORDER BY arrival LIMIT 1 OFFSET ?");
  if (!s.Bind(1, folderId).Bind(2, index - 1).Step()) return std::nullopt;
  return s.Text(0);
}

// The item columns ReadItem expects, in its order, with the body column (or
// a stand-in) in the middle.
#define VELMORA_ITEM_COLUMNS(body)                                                  \
  "id, entry_id, folder_id, class, subject, " body                                  \
  ", to_text, cc_text, bcc_text, from_text, importance, sent, submitted, created, " \
  "modified, sent_time, transmission"

namespace {

void ReadItem(const sql::Stmt& s, ItemRecord& r) {
  r.id = s.Int(0);
  r.entryId = s.Text(1);
  r.folderId = s.Int(2);
  auto& f = r.fields;
  f.itemClass = static_cast<int>(s.Int(3));
  f.subject = s.Text(4);
  f.body = s.Text(5);
  f.to = s.Text(6);
  f.cc = s.Text(7);
  f.bcc = s.Text(8);
  f.from = s.Text(9);
  f.importance = static_cast<int>(s.Int(10));
  f.sent = s.Int(11) != 0;
  f.submitted = s.Int(12) != 0;
  f.created = DateTime::FromSeconds(s.Int(13));
  f.modified = DateTime::FromSeconds(s.Int(14));
  if (!s.IsNull(15)) f.sentTime = DateTime::FromSeconds(s.Int(15));
  f.transmission = static_cast<int>(s.Int(16));
}

}  // namespace

std::optional<ItemRecord> MailStore::LoadItem(const std::string& entryId) {
  sql::ReadTransaction tx(*db_);
  ItemRecord r;
  {
    sql::Stmt s(*db_, "SELECT " VELMORA_ITEM_COLUMNS("body") " FROM items WHERE entry_id = ?");
    if (!s.Bind(1, entryId).Step()) return std::nullopt;
    ReadItem(s, r);
  }
  {
    sql::Stmt s(*db_, "SELECT name, type, value FROM user_props WHERE item_id = ? ORDER BY seq");
    s.Bind(1, r.id);
    while (s.Step()) {
      const int type = static_cast<int>(s.Int(1));
      r.props.push_back({s.Text(0), type, ReadValue(s, 2, type)});
    }
  }
  {
    sql::Stmt s(*db_,
                "SELECT id, display_name, file_name, size FROM attachments WHERE item_id = ? "
                "ORDER BY id");
    s.Bind(1, r.id);
    while (s.Step())
      r.attachments.push_back({s.Int(0), s.Text(1), s.Text(2), s.Int(3)});
  }
  return r;
}

std::vector<ItemRecord> MailStore::LoadFolderItems(std::int64_t folderId) {
  sql::ReadTransaction tx(*db_);
  std::vector<ItemRecord> items;
  std::unordered_map<std::int64_t, std::size_t> at;  // row id -> place in `items`
  {
    sql::Stmt s(*db_, "SELECT " VELMORA_ITEM_COLUMNS(
                          "''") " FROM items WHERE folder_id = ? ORDER BY arrival");
    s.Bind(1, folderId);
    while (s.Step()) {
      ReadItem(s, items.emplace_back());
      at.emplace(items.back().id, items.size() - 1);
    }
  }
  if (items.empty()) return items;
  {
    // In the order of their item's rows; each item's in the order it got them.
    sql::Stmt s(*db_,
                "SELECT p.item_id, p.name, p.type, p.value FROM items i JOIN user_props p "
                "ON p.item_id = i.id WHERE i.folder_id = ? ORDER BY p.item_id, p.seq");
    s.Bind(1, folderId);
    while (s.Step()) {
      const auto it = at.find(s.Int(0));
      if (it == at.end()) continue;
      const int type = static_cast<int>(s.Int(2));
      items[it->second].props.push_back({s.Text(1), type, ReadValue(s, 3, type)});
    }
  }
  {
    sql::Stmt s(*db_,
                "SELECT a.item_id, a.id, a.display_name, a.file_name, a.size FROM items i "
                "JOIN attachments a ON a.item_id = i.id WHERE i.folder_id = ? "
                "ORDER BY a.item_id, a.id");
    s.Bind(1, folderId);
    while (s.Step()) {
      const auto it = at.find(s.Int(0));
      if (it == at.end()) continue;
      items[it->second].attachments.push_back({s.Int(1), s.Text(2), s.Text(3), s.Int(4)});
    }
  }
  return items;
}

#undef VELMORA_ITEM_COLUMNS

std::optional<std::string> MailStore::ItemBody(const std::string& entryId) {
  sql::Stmt s(*db_, "SELECT body FROM items WHERE entry_id = ?");
  if (!s.Bind(1, entryId).Step()) return std::nullopt;
  return s.Text(0);
}

std::optional<DateTime> MailStore::EarliestDate(std::int64_t folderId, int itemClass,
                                                const std::string& name) {
  // The date-time index gives the values of the name in order: the first
  // that belongs to the folder's items of the class is the answer. Read as
  // LoadItem reads a date-time value.
  sql::Stmt s(*db_,
              "SELECT p.value FROM user_props p CROSS JOIN items i ON i.id = p.item_id "
              "WHERE p.name = ?1 AND p.type = 5 AND i.folder_id = ?2 AND i.class = ?3 "
              "ORDER BY p.value LIMIT 1");
  if (!s.Bind(1, name).Bind(2, folderId).Bind(3, itemClass).Step()) return std::nullopt;
  return DateTime::FromSeconds(s.Int(0));
}

void MailStore::InsertAttachment(std::int64_t itemId, const NewAttachment& a) {
  sql::Stmt s(*db_,
              "INSERT INTO attachments(item_id, display_name, file_name, size, data) "
              "VALUES(?, ?, ?, ?, ?)");
  s.Bind(1, itemId)
      .Bind(2, a.displayName)
      .Bind(3, a.fileName)
      .Bind(4, static_cast<std::int64_t>(a.bytes.size()))
      .BindBlob(5, a.bytes)
      .Run();
}

std::string MailStore::SaveItem(const ItemChanges& c, DateTime now) {
  sql::WriteTransaction tx(*db_);
  std::string entryId = c.entryId;
  std::int64_t itemId = 0;
  const auto& f = c.fields;
  if (entryId.empty()) {
    if (!FolderById(c.folderId)) RaiseMovedOrDeleted();
    entryId = NewEntryId();
    sql::Stmt s(*db_,
                "INSERT INTO items(entry_id, folder_id, arrival, class, subject, body, to_text, "
                "cc_text, bcc_text, from_text, importance, created, modified) "
                "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    s.Bind(1, entryId)
        .Bind(2, c.folderId)
        .Bind(3, NextArrival(*db_))
        .Bind(4, c.itemClass)
        .Bind(5, f.subject)
        .Bind(6, f.body)
        .Bind(7, f.to)
        .Bind(8, f.cc)
        .Bind(9, f.bcc)
        .Bind(10, f.from)
        .Bind(11, f.importance)
        .Bind(12, now.Seconds())
        .Bind(13, now.Seconds())
        .Run();
    itemId = db_->LastInsertId();
  } else {
    itemId = ItemRowId(entryId);
    const auto on = [&](unsigned bit) { return (c.fieldMask & bit) ? 1 : 0; };
    sql::Stmt s(*db_,
                "UPDATE items SET "
                "subject = CASE WHEN ?1 THEN ?2 ELSE subject END, "
                "body = CASE WHEN ?3 THEN ?4 ELSE body END, "
                "to_text = CASE WHEN ?5 THEN ?6 ELSE to_text END, "
                "cc_text = CASE WHEN ?7 THEN ?8 ELSE cc_text END, "
                "bcc_text = CASE WHEN ?9 THEN ?10 ELSE bcc_text END, "
                "from_text = CASE WHEN ?11 THEN ?12 ELSE from_text END, "
                "importance = CASE WHEN ?13 THEN ?14 ELSE importance END, "
                "modified = ?15 WHERE id = ?16");
    s.Bind(1, on(field::kSubject))
        .Bind(2, f.subject)
        .Bind(3, on(field::kBody))
        .Bind(4, f.body)
        .Bind(5, on(field::kTo))
        .Bind(6, f.to)
        .Bind(7, on(field::kCc))
        .Bind(8, f.cc)
        .Bind(9, on(field::kBcc))
        .Bind(10, f.bcc)
        .Bind(11, on(field::kFrom))
        .Bind(12, f.from)
        .Bind(13, on(field::kImportance))
        .Bind(14, f.importance)
        .Bind(15, now.Seconds())
        .Bind(16, itemId)
        .Run();
  }
  for (const auto& name : c.removedProps) {
    sql::Stmt s(*db_, "DELETE FROM user_props WHERE item_id = ? AND name = ?");
    s.Bind(1, itemId).Bind(2, name).Run();
  }
  for (const auto& p : c.setProps) {
    // A property that exists keeps its place among the others.
    sql::Stmt s(*db_,
                "INSERT INTO user_props(item_id, seq, name, type, value) VALUES(?1, "
                "(SELECT ifnull(max(seq), 0) + 1 FROM user_props WHERE item_id = ?1), ?2, ?3, ?4) "
                "ON CONFLICT(item_id, name) DO UPDATE SET type = excluded.type, "
                "value = excluded.value");
    s.Bind(1, itemId).Bind(2, p.name).Bind(3, p.type);
    BindValue(s, 4, p.value);
    s.Run();
  }
  for (const auto& a : c.newAttachments)
    InsertAttachment(itemId, a);
  tx.Commit();
  return entryId;
}

std::string MailStore::CopyItem(const std::string& entryId, DateTime now) {
  sql::WriteTransaction tx(*db_);
  const std::int64_t from = ItemRowId(entryId);
  const std::string copyId = NewEntryId();
  {
    sql::Stmt s(*db_,
                "INSERT INTO items(entry_id, folder_id, arrival, class, subject, body, to_text, "
                "cc_text, bcc_text, from_text, importance, sent, submitted, created, modified, "
                "sent_time) "
                "SELECT ?1, folder_id, ?2, class, subject, body, to_text, cc_text, bcc_text, "
                "from_text, importance, sent, 0, ?3, ?3, sent_time FROM items WHERE id = ?4");
    s.Bind(1, copyId).Bind(2, NextArrival(*db_)).Bind(3, now.Seconds()).Bind(4, from).Run();
  }
  const std::int64_t to = db_->LastInsertId();
  {
    sql::Stmt s(*db_,
                "INSERT INTO user_props(item_id, seq, name, type, value) "
                "SELECT ?1, seq, name, type, value FROM user_props WHERE item_id = ?2");
    s.Bind(1, to).Bind(2, from).Run();
  }
  {
    sql::Stmt s(*db_,
                "INSERT INTO attachments(item_id, display_name, file_name, size, data) "
                "SELECT ?1, display_name, file_name, size, data FROM attachments "
                "WHERE item_id = ?2 ORDER BY id");
    s.Bind(1, to).Bind(2, from).Run();
  }
  tx.Commit();
  return copyId;
}

void MailStore::MoveItem(const std::string& entryId, std::int64_t folderId) {
  sql::WriteTransaction tx(*db_);
  if (!FolderById(folderId)) RaiseMovedOrDeleted();
  sql::Stmt s(*db_, "UPDATE items SET folder_id = ?1, arrival = ?2 WHERE entry_id = ?3");
  s.Bind(1, folderId).Bind(2, NextArrival(*db_)).Bind(3, entryId).Run();
  if (db_->Changes() == 0) RaiseMovedOrDeleted();
  tx.Commit();
}

void MailStore::RemoveItem(const std::string& entryId) {
  sql::WriteTransaction tx(*db_);
  sql::Stmt s(*db_, "DELETE FROM items WHERE entry_id = ?");
  s.Bind(1, entryId).Run();
  if (db_->Changes() == 0) RaiseMovedOrDeleted();
  tx.Commit();
}

void MailStore::SetSubmitted(const std::string& entryId, bool submitted) {
  sql::WriteTransaction tx(*db_);
  // A new submission (or its recall) is a new start: a held mail resent by
  // the user goes out like any other.
  sql::Stmt s(*db_, "UPDATE items SET submitted = ?, transmission = 0 WHERE entry_id = ?");
  s.Bind(1, submitted ? 1 : 0).Bind(2, entryId).Run();
  if (db_->Changes() == 0) RaiseMovedOrDeleted();
  tx.Commit();
}

void MailStore::MarkSent(const std::string& entryId, DateTime when, const std::string& from) {
  sql::WriteTransaction tx(*db_);
  const std::int64_t sentItems = DefaultFolder(5).id;
  sql::Stmt s(*db_,
              "UPDATE items SET folder_id = ?1, arrival = ?2, sent = 1, submitted = 0, "
              "transmission = 0, sent_time = ?3, from_text = ?4 WHERE entry_id = ?5");
  s.Bind(1, sentItems)
      .Bind(2, NextArrival(*db_))
      .Bind(3, when.Seconds())
      .Bind(4, from)
      .Bind(5, entryId)
      .Run();
  if (db_->Changes() == 0) RaiseMovedOrDeleted();
  tx.Commit();
}

void MailStore::SetTransmission(const std::string& entryId, int state) {
  if (state == transmission::kUnderway && db_->InTransaction())
    // Inside a transaction the mark would reach the disk only with the
    // outcome, and a host killed in between would send the mail again.
    Raise(store_err::kFailed,
          "The operation failed. (A mail cannot be transmitted inside an open store "
          "transaction)");
  sql::WriteTransaction tx(*db_);
  sql::Stmt s(*db_,
              "UPDATE items SET transmission = ?1, "
              "submitted = CASE WHEN ?1 = ?3 THEN 0 ELSE submitted END WHERE entry_id = ?2");
  s.Bind(1, state).Bind(2, entryId).Bind(3, transmission::kHeld).Run();
  if (db_->Changes() == 0) RaiseMovedOrDeleted();
  tx.Commit();
}

std::string MailStore::AttachmentBytes(std::int64_t attachmentId) {
  sql::Stmt s(*db_, "SELECT data FROM attachments WHERE id = ?");
  if (!s.Bind(1, attachmentId).Step()) RaiseMovedOrDeleted();
  return s.Blob(0);
}

}  // namespace velmora::posix
