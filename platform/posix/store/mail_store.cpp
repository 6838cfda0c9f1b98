#include "platform/posix/store/mail_store.h"

#include "platform/posix/paths.h"
#include "platform/posix/store/default_view.h"
#include "platform/posix/store/entry_id.h"
#include "platform/posix/store/schema.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

namespace {

FolderRecord ReadFolder(const sql::Stmt& s) {
  FolderRecord f;
  f.id = s.Int(0);
  f.entryId = s.Text(1);
  if (!s.IsNull(2)) f.parentId = s.Int(2);
  f.name = s.Text(3);
  f.itemType = static_cast<int>(s.Int(4));
  if (!s.IsNull(5)) f.defaultKind = static_cast<int>(s.Int(5));
  return f;
}

}  // namespace

// The columns ReadFolder expects, in its order.
#define VELMORA_FOLDER_COLUMNS "id, entry_id, parent_id, name, item_type, default_kind"

std::unique_ptr<MailStore> MailStore::Open(const std::filesystem::path& path, bool readOnly) {
  std::unique_ptr<MailStore> store(new MailStore(sql::Database::Open(path, readOnly)));
  if (readOnly) {
    sql::Stmt version(store->Db(), "PRAGMA user_version");
    const int found = version.Step() ? static_cast<int>(version.Int(0)) : 0;
    if (found != kStoreSchemaVersion)
      Raise(store_err::kFailed, "The store " + path.string() + " is of schema " +
                                    std::to_string(found) + ", this program reads schema " +
                                    std::to_string(kStoreSchemaVersion) +
                                    "; it can be brought up to date only where it may be written.");
    return store;
  }
  store->Prepare();
  return store;
}

std::unique_ptr<MailStore> MailStore::OpenInMemory() {
  return Open(":memory:");
}

std::filesystem::path MailStore::DefaultPath() {
  return DataHome() / "store.db";
}

void MailStore::Prepare() {
  sql::RetryWhileBusy(*db_, [this] { PrepareSchema(*db_); });
}

std::optional<std::string> MailStore::Setting(const std::string& key) {
  sql::Stmt s(*db_, "SELECT value FROM settings WHERE key = ?");
  if (!s.Bind(1, key).Step()) return std::nullopt;
  return s.Text(0);
}

void MailStore::SetSetting(const std::string& key, const std::string& value) {
  sql::WriteTransaction tx(*db_);
  sql::Stmt s(*db_,
              "INSERT INTO settings(key, value) VALUES(?, ?) "
              "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
  s.Bind(1, key).Bind(2, value).Run();
  tx.Commit();
}

FolderRecord MailStore::Root() {
  sql::Stmt s(*db_, "SELECT " VELMORA_FOLDER_COLUMNS " FROM folders WHERE parent_id IS NULL");
  if (!s.Step()) Raise(store_err::kFailed, "The operation failed. (The store has no root folder)");
  return ReadFolder(s);
}

FolderRecord MailStore::DefaultFolder(int kind) {
  sql::Stmt s(*db_, "SELECT " VELMORA_FOLDER_COLUMNS " FROM folders WHERE default_kind = ?");
  if (!s.Bind(1, kind).Step())
    Raise(store_err::kInvalidArgument,
          "The parameter is incorrect. (No default folder " + std::to_string(kind) + ")");
  return ReadFolder(s);
}

std::optional<FolderRecord> MailStore::FolderById(std::int64_t id) {
  sql::Stmt s(*db_, "SELECT " VELMORA_FOLDER_COLUMNS " FROM folders WHERE id = ?");
  if (!s.Bind(1, id).Step()) return std::nullopt;
  return ReadFolder(s);
}

std::optional<FolderRecord> MailStore::FolderByEntryId(const std::string& entryId) {
  sql::Stmt s(*db_, "SELECT " VELMORA_FOLDER_COLUMNS " FROM folders WHERE entry_id = ?");
  if (!s.Bind(1, entryId).Step()) return std::nullopt;
  return ReadFolder(s);
}

std::vector<FolderRecord> MailStore::Children(std::int64_t parentId) {
  sql::Stmt s(*db_,
              "SELECT " VELMORA_FOLDER_COLUMNS " FROM folders WHERE parent_id = ? ORDER BY id");
  s.Bind(1, parentId);
  std::vector<FolderRecord> out;
  while (s.Step())
    out.push_back(ReadFolder(s));
  return out;
}

FolderRecord MailStore::AddFolder(std::int64_t parentId, const std::string& name, int itemType) {
  sql::WriteTransaction tx(*db_);
  if (!FolderById(parentId)) RaiseMovedOrDeleted();
  {
    sql::Stmt same(*db_, "SELECT 1 FROM folders WHERE parent_id = ? AND name = ?");
    if (same.Bind(1, parentId).Bind(2, name).Step())
      Raise(store_err::kCollision,
            "Cannot create the folder. A folder named \"" + name + "\" already exists.");
  }
  FolderRecord f;
  f.entryId = NewEntryId();
  f.parentId = parentId;
  f.name = name;
  f.itemType = itemType;
  sql::Stmt s(*db_, "INSERT INTO folders(entry_id, parent_id, name, item_type) VALUES(?, ?, ?, ?)");
  s.Bind(1, f.entryId).Bind(2, parentId).Bind(3, name).Bind(4, itemType).Run();
  f.id = db_->LastInsertId();
  if (itemType == kind::kMail)
    AddView(f.id, kDefaultViewName, 0, 0, DefaultTableViewXml(kDefaultViewName));
  tx.Commit();
  return f;
}

#undef VELMORA_FOLDER_COLUMNS

}  // namespace velmora::posix
