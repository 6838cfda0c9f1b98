#include "platform/posix/store/schema.h"

#include <string>

#include "platform/posix/store/default_view.h"
#include "platform/posix/store/entry_id.h"
#include "platform/posix/store/records.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

namespace {

constexpr const char* kSchemaV1 = R"(
CREATE TABLE settings(
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL);
CREATE TABLE folders(
  id INTEGER PRIMARY KEY,
  entry_id TEXT NOT NULL UNIQUE,
  parent_id INTEGER REFERENCES folders(id),
  name TEXT NOT NULL,
  item_type INTEGER NOT NULL,
  default_kind INTEGER UNIQUE);
-- Letter case tells folder names apart, as the scheduled-mail folder's
-- lookup expects; the root is the one folder without a parent.
CREATE UNIQUE INDEX folders_name ON folders(ifnull(parent_id, 0), name);
CREATE TABLE items(
  id INTEGER PRIMARY KEY,
  entry_id TEXT NOT NULL UNIQUE,
  folder_id INTEGER NOT NULL REFERENCES folders(id),
  arrival INTEGER NOT NULL,
  class INTEGER NOT NULL,
  subject TEXT NOT NULL DEFAULT '',
  body TEXT NOT NULL DEFAULT '',
  to_text TEXT NOT NULL DEFAULT '',
  cc_text TEXT NOT NULL DEFAULT '',
  bcc_text TEXT NOT NULL DEFAULT '',
  from_text TEXT NOT NULL DEFAULT '',
  importance INTEGER NOT NULL DEFAULT 1,
  sent INTEGER NOT NULL DEFAULT 0,
  submitted INTEGER NOT NULL DEFAULT 0,
  created INTEGER NOT NULL,
  modified INTEGER NOT NULL,
  sent_time INTEGER);
CREATE INDEX items_folder ON items(folder_id, arrival);
CREATE TABLE user_props(
  item_id INTEGER NOT NULL REFERENCES items(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  name TEXT NOT NULL,
  type INTEGER NOT NULL,
  value,
  PRIMARY KEY(item_id, name));
CREATE TABLE attachments(
  id INTEGER PRIMARY KEY,
  item_id INTEGER NOT NULL REFERENCES items(id) ON DELETE CASCADE,
  display_name TEXT NOT NULL,
  file_name TEXT NOT NULL,
  size INTEGER NOT NULL,
  data BLOB NOT NULL);
CREATE INDEX attachments_item ON attachments(item_id, id);
CREATE TABLE views(
  id INTEGER PRIMARY KEY,
  folder_id INTEGER NOT NULL REFERENCES folders(id),
  name TEXT NOT NULL,
  view_type INTEGER NOT NULL,
  save_option INTEGER NOT NULL,
  xml TEXT NOT NULL,
  applied INTEGER NOT NULL DEFAULT 0,
  UNIQUE(folder_id, name));
CREATE TABLE shortcuts(
  id INTEGER PRIMARY KEY,
  group_name TEXT NOT NULL,
  name TEXT NOT NULL,
  target TEXT NOT NULL);
)";

// Version 2: where an item stands in its transmission (records.h,
// namespace transmission), so that a mail a killed host may already have
// handed to the wire is never sent again without the user's word.
constexpr const char* kSchemaV2 =
    "ALTER TABLE items ADD COLUMN transmission INTEGER NOT NULL DEFAULT 0";

// Version 3: indexes for large folders. The next arrival number is the
// largest one plus one, found in the index instead of over every item; and
// the date-time properties by name and value, so that the earliest
// ScheduleTime of a folder is one look-up instead of a walk over its items.
constexpr const char* kSchemaV3 =
    "CREATE INDEX IF NOT EXISTS items_arrival ON items(arrival);"
    "CREATE INDEX IF NOT EXISTS user_props_date ON user_props(name, value) WHERE type = 5;";

struct DefaultFolder {
  int kind;
  const char* name;
};
constexpr DefaultFolder kDefaultFolders[] = {
    {6, "Inbox"}, {4, "Outbox"}, {5, "Sent Items"}, {3, "Deleted Items"}, {16, "Drafts"},
};

std::int64_t InsertFolder(sql::Database& db, std::optional<std::int64_t> parent,
                          const std::string& name, std::optional<int> defaultKind) {
  sql::Stmt s(db,
              "INSERT INTO folders(entry_id, parent_id, name, item_type, default_kind) "
              "VALUES(?, ?, ?, ?, ?)");
  s.Bind(1, NewEntryId()).Bind(3, name).Bind(4, kind::kMail);
  if (parent) s.Bind(2, *parent);
  if (defaultKind) s.Bind(5, *defaultKind);
  s.Run();
  const std::int64_t id = db.LastInsertId();
  sql::Stmt v(db,
              "INSERT INTO views(folder_id, name, view_type, save_option, xml) "
              "VALUES(?, ?, 0, 0, ?)");
  v.Bind(1, id).Bind(2, kDefaultViewName).Bind(3, DefaultTableViewXml(kDefaultViewName)).Run();
  return id;
}

void CreateV1(sql::Database& db) {
  db.Exec(kSchemaV1);
  const std::int64_t root = InsertFolder(db, std::nullopt, kRootFolderName, std::nullopt);
  for (const auto& f : kDefaultFolders)
    InsertFolder(db, root, f.name, f.kind);
}

int UserVersion(sql::Database& db) {
  sql::Stmt s(db, "PRAGMA user_version");
  return s.Step() ? static_cast<int>(s.Int(0)) : 0;
}

}  // namespace

void PrepareSchema(sql::Database& db) {
  // Inside the write lock, so that two processes creating one new store at
  // the same moment create it once.
  sql::WriteTransaction tx(db);
  const int version = UserVersion(db);
  if (version == kStoreSchemaVersion) return;
  if (version > kStoreSchemaVersion)
    Raise(store_err::kFailed,
          "The operation failed. (The mail store was written by a newer version"
          " of this program: schema " +
              std::to_string(version) + ")");
  if (version < 1) CreateV1(db);
  if (version < 2) db.Exec(kSchemaV2);
  if (version < 3) db.Exec(kSchemaV3);
  // Later versions add their steps here, each from the one before.
  db.Exec(("PRAGMA user_version = " + std::to_string(kStoreSchemaVersion)).c_str());
  tx.Commit();
}

}  // namespace velmora::posix
