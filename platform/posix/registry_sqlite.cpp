#include "platform/posix/registry_sqlite.h"

#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "common/text.h"
#include "platform/posix/paths.h"
#include "platform/posix/registry_fold.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::posix {

namespace {

constexpr int kSchemaVersion = 1;

// Key ids of the three roots; the other keys take ids above them.
constexpr std::int64_t kRootIds[] = {1, 2, 3};

std::optional<std::int64_t> RootId(RegKey key) {
  if (key == reg::kClassesRoot) return kRootIds[0];
  if (key == reg::kCurrentUser) return kRootIds[1];
  if (key == reg::kLocalMachine) return kRootIds[2];
  return std::nullopt;
}

// A prepared statement, finalized at the end of its scope.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &s_, nullptr) != SQLITE_OK) {
      sqlite3_finalize(s_);
      s_ = nullptr;
    }
  }
  ~Stmt() { sqlite3_finalize(s_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  Stmt& Bind(int i, std::int64_t v) {
    if (s_) sqlite3_bind_int64(s_, i, v);
    return *this;
  }
  // Empty text binds as empty, not as NULL.
  Stmt& Bind(int i, std::string_view text) {
    if (s_) sqlite3_bind_text(s_, i, text.empty() ? "" : text.data(), Size(text), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& BindBlob(int i, std::string_view bytes) {
    if (s_)
      sqlite3_bind_blob(s_, i, bytes.empty() ? "" : bytes.data(), Size(bytes), SQLITE_TRANSIENT);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return s_ ? sqlite3_step(s_) : SQLITE_ERROR; }
  bool Done() { return Step() == SQLITE_DONE; }

  std::int64_t Int(int col) { return sqlite3_column_int64(s_, col); }
  std::string Bytes(int col) {
    const void* p = sqlite3_column_blob(s_, col);
    const int n = sqlite3_column_bytes(s_, col);
    return p && n > 0 ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n))
                      : std::string();
  }

 private:
  static int Size(std::string_view s) {
    return s.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(s.size());
  }
  sqlite3_stmt* s_ = nullptr;
};

bool Exec(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// A write transaction, rolled back unless committed. IMMEDIATE takes the
// write lock at once, so two processes never deadlock upgrading a read.
// Inside a batch (BeginBatch) it is a savepoint of the batch's transaction.
class Transaction {
 public:
  explicit Transaction(sqlite3* db)
      : db_(db),
        nested_(sqlite3_get_autocommit(db) == 0),
        began_(Exec(db, nested_ ? "SAVEPOINT reg_write" : "BEGIN IMMEDIATE")) {}
  ~Transaction() {
    if (!began_ || done_) return;
    if (nested_)
      Exec(db_, "ROLLBACK TO reg_write; RELEASE reg_write");
    else
      Exec(db_, "ROLLBACK");
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  bool Began() const { return began_; }
  bool Commit() {
    done_ = began_ && Exec(db_, nested_ ? "RELEASE reg_write" : "COMMIT");
    return done_;
  }

 private:
  sqlite3* db_;
  bool nested_;
  bool began_;
  bool done_ = false;
};

// The parts of a key path "a\b\c". A leading backslash or an empty part in
// the middle is an error, as on Windows; one trailing backslash is allowed.
std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  if (path.empty()) return parts;
  if (path.back() == '\\') path.remove_suffix(1);
  for (;;) {
    const std::size_t p = path.find('\\');
    const std::string_view part = path.substr(0, p);
    if (part.empty() || Utf8Length(part) > SqliteRegistry::kMaxKeyName) return std::nullopt;
    parts.push_back(part);
    if (p == std::string_view::npos) return parts;
    path.remove_prefix(p + 1);
  }
}

bool KeyExists(sqlite3* db, std::int64_t id) {
  Stmt s(db, "SELECT 1 FROM keys WHERE id = ?");
  return s.Bind(1, id).Step() == SQLITE_ROW;
}

std::optional<std::int64_t> Child(sqlite3* db, std::int64_t parent, std::string_view name) {
  Stmt s(db, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
  if (s.Bind(1, parent).Bind(2, FoldRegistryName(name)).Step() != SQLITE_ROW) return std::nullopt;
  return s.Int(0);
}

bool HasChildren(sqlite3* db, std::int64_t id) {
  Stmt s(db, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
  return s.Bind(1, id).Step() == SQLITE_ROW;
}

std::optional<std::int64_t> CreateChild(sqlite3* db, std::int64_t parent, std::string_view name) {
  Stmt depth(db, "SELECT depth FROM keys WHERE id = ?");
  if (depth.Bind(1, parent).Step() != SQLITE_ROW) return std::nullopt;
  const std::int64_t d = depth.Int(0) + 1;
  if (d > SqliteRegistry::kMaxDepth) return std::nullopt;
  Stmt ins(db, "INSERT INTO keys(parent, name, fold, depth) VALUES (?, ?, ?, ?)");
  if (!ins.Bind(1, parent).Bind(2, name).Bind(3, FoldRegistryName(name)).Bind(4, d).Done())
    return std::nullopt;
  return sqlite3_last_insert_rowid(db);
}

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER REFERENCES keys(id),
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  depth INTEGER NOT NULL,
  UNIQUE(parent, fold));
CREATE TABLE IF NOT EXISTS vals(
  key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  num INTEGER NOT NULL,
  PRIMARY KEY(key, fold)) WITHOUT ROWID;
INSERT OR IGNORE INTO keys(id, parent, name, fold, depth) VALUES
  (1, NULL, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT', 0),
  (2, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER', 0),
  (3, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE', 0);
)sql";

// Runs a backend operation; an exception (out of memory) is a failed call.
template <class R, class F>
R Guard(R neutral, F&& f) noexcept {
  try {
    return std::forward<F>(f)();
  } catch (...) {
    return neutral;
  }
}

}  // namespace

void SqliteRegistry::DbClose::operator()(sqlite3* db) const noexcept {
  sqlite3_close_v2(db);
}

SqliteRegistry::SqliteRegistry(const std::filesystem::path& path, bool readOnly) {
  try {
    std::error_code ec;
    if (readOnly && std::filesystem::exists(path, ec)) {
      OpenReadOnly(path);
      return;
    }
    // Opening switches the journal mode and may create the schema; SQLite's
    // busy handler does not cover those steps, so a second process starting
    // at the same moment would find the file locked: try again a while.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(sql::kBusyTimeoutMs);
    while (OpenDatabase(readOnly ? ":memory:" : path) &&
           std::chrono::steady_clock::now() < deadline) {
      lastError_.clear();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  } catch (const std::exception& e) {
    db_.reset();
    lastError_ = e.what();
  } catch (...) {
    db_.reset();
    if (lastError_.empty()) lastError_ = "cannot open the registry database";
  }
}

SqliteRegistry::~SqliteRegistry() = default;

std::filesystem::path SqliteRegistry::DefaultPath() {
  return ConfigHome() / "registry.db";
}

bool SqliteRegistry::OpenDatabase(const std::filesystem::path& path) {
  const std::string name = path.string();
  if (name != ":memory:") {
    // Created private before SQLite sees it; its journal files take the
    // database file's mode.
    if (!CreatePrivateFile(path)) {
      lastError_ = "cannot open " + name;
      return false;
    }
  }
  sqlite3* raw = nullptr;
  const int rc =
      sqlite3_open_v2(name.c_str(), &raw,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  std::unique_ptr<sqlite3, DbClose> db(raw);
  if (rc != SQLITE_OK) {
    lastError_ = raw ? sqlite3_errmsg(raw) : "out of memory";
    return raw && sql::IsBusy(raw);
  }
  sqlite3_busy_timeout(db.get(), sql::kBusyTimeoutMs);
  sqlite3_extended_result_codes(db.get(), 1);
  {
    // Also the first read of the file: a file that is no database fails here.
    Stmt version(db.get(), "PRAGMA user_version");
    const bool readable = version.Step() == SQLITE_ROW;
    if (!readable || version.Int(0) > kSchemaVersion) {
      lastError_ = readable ? "registry database of a newer version" : sqlite3_errmsg(db.get());
      return !readable && sql::IsBusy(db.get());
    }
  }
  if (!Exec(db.get(), "PRAGMA foreign_keys = ON") || !Exec(db.get(), "PRAGMA journal_mode = WAL")) {
    lastError_ = sqlite3_errmsg(db.get());
    return sql::IsBusy(db.get());
  }
  Transaction tx(db.get());
  if (!tx.Began() || !Exec(db.get(), kSchema) ||
      !Exec(db.get(), ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str()) ||
      !tx.Commit()) {
    lastError_ = sqlite3_errmsg(db.get());
    return sql::IsBusy(db.get());
  }
  db_ = std::move(db);
  return false;
}

bool SqliteRegistry::OpenReadOnly(const std::filesystem::path& path) {
  // As the mail store: the file alone when SQLite cannot make the -shm file
  // a WAL database is read through (sqlite.cpp).
  for (const char* query : {"mode=ro", "immutable=1"}) {
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(sql::FileUri(path, query).c_str(), &raw,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<sqlite3, DbClose> db(raw);
    if (rc != SQLITE_OK) {
      lastError_ = raw ? sqlite3_errmsg(raw) : "out of memory";
      return false;
    }
    sqlite3_busy_timeout(db.get(), sql::kBusyTimeoutMs);
    sqlite3_extended_result_codes(db.get(), 1);
    Stmt version(db.get(), "PRAGMA user_version");
    if (version.Step() != SQLITE_ROW) {
      lastError_ = sqlite3_errmsg(db.get());
      if (sql::CannotReadWal(db.get())) continue;
      return false;
    }
    if (version.Int(0) != kSchemaVersion) {
      lastError_ = "registry database of another version";
      return false;
    }
    db_ = std::move(db);
    lastError_.clear();
    return true;
  }
  return false;
}

bool SqliteRegistry::BeginBatch() {
  if (!db_ || sqlite3_get_autocommit(db_.get()) == 0) return false;
  if (Exec(db_.get(), "BEGIN IMMEDIATE")) return true;
  Fail("begin batch");
  return false;
}

bool SqliteRegistry::EndBatch(bool commit) {
  if (!db_ || sqlite3_get_autocommit(db_.get()) != 0) return false;
  if (commit && Exec(db_.get(), "COMMIT")) return true;
  if (commit) Fail("commit batch");
  Exec(db_.get(), "ROLLBACK");
  return !commit;
}

void SqliteRegistry::Fail(std::string_view what) {
  lastError_ = std::string(what);
  if (db_) {
    lastError_ += ": ";
    lastError_ += sqlite3_errmsg(db_.get());
  }
}

std::optional<SqliteRegistry::Handle> SqliteRegistry::Find(RegKey key) const {
  if (const auto root = RootId(key)) return Handle{*root, reg::kAllAccess};
  const auto it = handles_.find(key);
  if (it == handles_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::int64_t> SqliteRegistry::Walk(std::int64_t from, std::string_view path) {
  const auto parts = SplitKeyPath(path);
  if (!parts || !KeyExists(db_.get(), from)) return std::nullopt;
  std::int64_t id = from;
  for (const std::string_view part : *parts) {
    const auto child = Child(db_.get(), id, part);
    if (!child) return std::nullopt;
    id = *child;
  }
  return id;
}

RegKey SqliteRegistry::NewHandle(std::int64_t keyId, std::uint32_t access) {
  // Handle numbers stay clear of 0 and of the predefined roots.
  while (nextHandle_ == 0 || RootId(nextHandle_) || handles_.count(nextHandle_) != 0)
    nextHandle_ = nextHandle_ >= 0x7FFFFFFF ? 1 : nextHandle_ + 1;
  const RegKey key = nextHandle_++;
  handles_.emplace(key, Handle{keyId, access});
  return key;
}

RegKey SqliteRegistry::Open(RegKey parent, std::string_view subkey, std::uint32_t access,
                            bool create) {
  return Guard<RegKey>(0, [&]() -> RegKey {
    const auto h = Find(parent);
    if (!db_ || !h) return 0;
    if (!create) {
      const auto id = Walk(h->keyId, subkey);
      return id ? NewHandle(*id, access) : 0;
    }
    const auto parts = SplitKeyPath(subkey);
    if (!parts) return 0;
    Transaction tx(db_.get());
    if (!tx.Began() || !KeyExists(db_.get(), h->keyId)) return 0;
    std::int64_t id = h->keyId;
    for (const std::string_view part : *parts) {
      auto child = Child(db_.get(), id, part);
      // As on Windows, only the making of a new key asks the parent handle
      // for the right to create subkeys.
      if (!child && (h->access & reg::kCreateSubKey) != 0) child = CreateChild(db_.get(), id, part);
      if (!child) return 0;
      id = *child;
    }
    if (!tx.Commit()) {
      Fail("create key");
      return 0;
    }
    return NewHandle(id, access);
  });
}

bool SqliteRegistry::Close(RegKey key) {
  return Guard(false, [&] { return RootId(key).has_value() || handles_.erase(key) != 0; });
}

bool SqliteRegistry::SetValue(RegKey key, std::string_view name, const RegValue& value) {
  return Guard(false, [&] {
    const auto h = Find(key);
    if (!db_ || !h || (h->access & reg::kSetValue) == 0) return false;
    if (Utf8Length(name) > kMaxValueName) return false;
    Transaction tx(db_.get());
    if (!tx.Began() || !KeyExists(db_.get(), h->keyId)) return false;
    // The first spelling of a value's name stays, as on Windows.
    Stmt s(db_.get(),
           "INSERT INTO vals(key, name, fold, type, data, num) VALUES (?, ?, ?, ?, ?, ?) "
           "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data, "
           "num = excluded.num");
    const bool numeric = value.type == RegType::kDword;
    s.Bind(1, h->keyId)
        .Bind(2, name)
        .Bind(3, FoldRegistryName(name))
        .Bind(4, static_cast<std::int64_t>(value.type))
        .BindBlob(5, numeric ? std::string_view() : std::string_view(value.text))
        .Bind(6, static_cast<std::int64_t>(numeric ? value.number : 0));
    if (!s.Done() || !tx.Commit()) {
      Fail("set value");
      return false;
    }
    return true;
  });
}

std::optional<RegValue> SqliteRegistry::GetValue(RegKey key, std::string_view name) {
  return Guard(std::optional<RegValue>(), [&]() -> std::optional<RegValue> {
    const auto h = Find(key);
    if (!db_ || !h || (h->access & reg::kQueryValue) == 0) return std::nullopt;
    Stmt s(db_.get(), "SELECT type, data, num FROM vals WHERE key = ? AND fold = ?");
    if (s.Bind(1, h->keyId).Bind(2, FoldRegistryName(name)).Step() != SQLITE_ROW)
      return std::nullopt;
    RegValue v;
    v.type = static_cast<RegType>(static_cast<std::uint32_t>(s.Int(0)));
    v.text = s.Bytes(1);
    v.number = static_cast<std::uint32_t>(s.Int(2));
    return v;
  });
}

bool SqliteRegistry::DeleteValue(RegKey key, std::string_view name) {
  return Guard(false, [&] {
    const auto h = Find(key);
    if (!db_ || !h || (h->access & reg::kSetValue) == 0) return false;
    Stmt s(db_.get(), "DELETE FROM vals WHERE key = ? AND fold = ?");
    if (!s.Bind(1, h->keyId).Bind(2, FoldRegistryName(name)).Done()) {
      Fail("delete value");
      return false;
    }
    return sqlite3_changes(db_.get()) > 0;
  });
}

bool SqliteRegistry::DeleteSubKey(RegKey key, std::string_view name) {
  return Guard(false, [&] {
    const auto h = Find(key);
    if (!db_ || !h || name.empty()) return false;
    Transaction tx(db_.get());
    if (!tx.Began()) return false;
    const auto id = Walk(h->keyId, name);
    if (!id || *id == h->keyId || HasChildren(db_.get(), *id)) return false;
    Stmt s(db_.get(), "DELETE FROM keys WHERE id = ?");
    if (!s.Bind(1, *id).Done() || !tx.Commit()) {
      Fail("delete key");
      return false;
    }
    return true;
  });
}

std::optional<std::string> SqliteRegistry::EnumValue(RegKey key, std::uint32_t index) {
  return Guard(std::optional<std::string>(), [&]() -> std::optional<std::string> {
    const auto h = Find(key);
    if (!db_ || !h || (h->access & reg::kQueryValue) == 0) return std::nullopt;
    Stmt s(db_.get(), "SELECT name FROM vals WHERE key = ? ORDER BY fold LIMIT 1 OFFSET ?");
    if (s.Bind(1, h->keyId).Bind(2, static_cast<std::int64_t>(index)).Step() != SQLITE_ROW)
      return std::nullopt;
    return s.Bytes(0);
  });
}

std::optional<std::string> SqliteRegistry::EnumKey(RegKey key, std::uint32_t index) {
  return Guard(std::optional<std::string>(), [&]() -> std::optional<std::string> {
    const auto h = Find(key);
    if (!db_ || !h || (h->access & reg::kEnumerate) == 0) return std::nullopt;
    Stmt s(db_.get(), "SELECT name FROM keys WHERE parent = ? ORDER BY fold LIMIT 1 OFFSET ?");
    if (s.Bind(1, h->keyId).Bind(2, static_cast<std::int64_t>(index)).Step() != SQLITE_ROW)
      return std::nullopt;
    return s.Bytes(0);
  });
}

bool SqliteRegistry::Flush(RegKey key) {
  // Every write is committed when it returns; there is nothing left to force.
  return Guard(false, [&] {
    const auto h = Find(key);
    return db_ && h && KeyExists(db_.get(), h->keyId);
  });
}

}  // namespace velmora::posix
