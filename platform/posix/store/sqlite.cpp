#include "platform/posix/store/sqlite.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <limits>
#include <thread>
#include <utility>

#include "platform/posix/paths.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix::sql {

namespace {

// A value longer than SQLite takes is refused, never cut short.
int Size(std::string_view s) {
  if (s.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    Raise(store_err::kFailed, "The operation failed. (A value is too large to store)");
  return static_cast<int>(s.size());
}

}  // namespace

std::string FileUri(const std::filesystem::path& path, const char* query) {
  std::string uri = "file:";
  for (const unsigned char c : path.string()) {
    if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      constexpr const char* kHex = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0xF];
    }
  }
  return uri + "?" + query;
}

bool IsBusy(sqlite3* db) noexcept {
  const int code = sqlite3_errcode(db) & 0xFF;
  return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool CannotReadWal(sqlite3* db) noexcept {
  const int code = sqlite3_errcode(db) & 0xFF;
  return code == SQLITE_CANTOPEN || code == SQLITE_READONLY;
}

std::unique_ptr<Database> Database::OpenReadOnly(const std::filesystem::path& path) {
  // A database in WAL mode is read through its -shm file, which a folder the
  // user cannot write to does not let SQLite create once the last writer
  // removed it. Then no writer can be at work either (it would need that
  // file), and the file alone is the whole database: read it as immutable.
  std::unique_ptr<Database> db;
  for (const char* query : {"mode=ro", "immutable=1"}) {
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(FileUri(path, query).c_str(), &raw,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    db.reset(new Database(raw, false, true));
    if (rc != SQLITE_OK) db->Fail("open " + path.string());
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    try {
      // The first read of the file: a file that is no database fails here.
      RetryWhileBusy(*db, [&] {
        Stmt probe(*db, "SELECT count(*) FROM sqlite_schema");
        probe.Step();
      });
      return db;
    } catch (const HostError&) {
      if (!CannotReadWal(raw)) throw;
    }
  }
  db->Fail("open " + path.string());
}

std::unique_ptr<Database> Database::Open(const std::filesystem::path& path, bool readOnly) {
  const std::string name = path.string();
  if (readOnly && name != ":memory:") return OpenReadOnly(path);
  const bool memory = name == ":memory:";
  if (!memory && !CreatePrivateFile(path))
    Raise(store_err::kFailed, "The operation failed. Cannot open " + path.string());
  sqlite3* raw = nullptr;
  const int rc =
      sqlite3_open_v2(name.c_str(), &raw,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  std::unique_ptr<Database> db(new Database(raw, memory, false));
  if (rc != SQLITE_OK) db->Fail("open " + name);
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  db->Exec("PRAGMA foreign_keys = ON");
  if (!memory) {
    // The first read of the file: a file that is no database fails here.
    RetryWhileBusy(*db, [&] {
      Stmt mode(*db, "PRAGMA journal_mode = WAL");
      mode.Step();
    });
  }
  return db;
}

void RetryWhileBusy(Database& db, const std::function<void()>& step) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
  for (;;) {
    try {
      step();
      return;
    } catch (const HostError&) {
      if (!IsBusy(db.Handle()) || Clock::now() >= deadline) throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

Database::~Database() {
  for (auto& [sql, c] : cache_)
    sqlite3_finalize(c.stmt);
  sqlite3_close_v2(db_);
}

void Database::Fail(std::string_view what) const {
  std::string text = "The operation failed. (" + std::string(what);
  if (db_) text += ": " + std::string(sqlite3_errmsg(db_));
  Raise(store_err::kFailed, text + ")");
}

void Database::Exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message ? message : "error";
    sqlite3_free(message);
    Raise(store_err::kFailed, "The operation failed. (" + text + ")");
  }
}

std::int64_t Database::LastInsertId() const {
  return sqlite3_last_insert_rowid(db_);
}

int Database::Changes() const {
  return sqlite3_changes(db_);
}

std::uint64_t Database::Generation() {
  // A transaction reads one snapshot from its first statement on (a write
  // transaction holds the write lock besides), so the count of other
  // connections' commits it sees stays what it was at its first look. Each
  // look outside a transaction costs a read transaction of its own.
  const bool inTransaction = InTransaction();
  if (!inTransaction) othersInTransaction_.reset();
  std::uint64_t other = 0;
  if (inTransaction && othersInTransaction_) {
    other = *othersInTransaction_;
  } else {
    Stmt s(*this, "PRAGMA data_version");
    other = s.Step() ? static_cast<std::uint64_t>(s.Int(0)) : 0;
    if (inTransaction) othersInTransaction_ = other;
  }
  return (other << 32) ^ localWrites_;
}

sqlite3_stmt* Database::Borrow(const std::string& sql, bool& owned) {
  auto& c = cache_[sql];
  if (c.stmt && !c.inUse) {
    c.inUse = true;
    owned = false;
    return c.stmt;
  }
  sqlite3_stmt* s = nullptr;
  const bool persistent = !c.stmt;
  if (sqlite3_prepare_v3(db_, sql.c_str(), -1, persistent ? SQLITE_PREPARE_PERSISTENT : 0, &s,
                         nullptr) != SQLITE_OK) {
    sqlite3_finalize(s);
    if (!c.stmt) cache_.erase(sql);
    Fail("prepare " + sql);
  }
  if (persistent) {
    c.stmt = s;
    c.inUse = true;
    owned = false;
  } else {
    owned = true;  // the cached one is busy in an outer loop
  }
  return s;
}

void Database::Return(const std::string& sql, sqlite3_stmt* s, bool owned) noexcept {
  if (owned) {
    sqlite3_finalize(s);
    return;
  }
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  if (auto it = cache_.find(sql); it != cache_.end()) it->second.inUse = false;
}

Stmt::Stmt(Database& db, const char* sql) : db_(db), sql_(sql) {
  s_ = db_.Borrow(sql_, owned_);
}

Stmt::~Stmt() {
  db_.Return(sql_, s_, owned_);
}

Stmt& Stmt::Check(int rc) {
  if (rc != SQLITE_OK) db_.Fail("bind " + sql_);
  return *this;
}

Stmt& Stmt::Bind(int i, std::int64_t v) {
  return Check(sqlite3_bind_int64(s_, i, v));
}

Stmt& Stmt::Bind(int i, double v) {
  return Check(sqlite3_bind_double(s_, i, v));
}

// Empty text binds as empty text, never as NULL.
Stmt& Stmt::Bind(int i, std::string_view text) {
  return Check(
      sqlite3_bind_text(s_, i, text.empty() ? "" : text.data(), Size(text), SQLITE_TRANSIENT));
}

Stmt& Stmt::BindBlob(int i, std::string_view bytes) {
  return Check(
      sqlite3_bind_blob(s_, i, bytes.empty() ? "" : bytes.data(), Size(bytes), SQLITE_TRANSIENT));
}

Stmt& Stmt::BindNull(int i) {
  return Check(sqlite3_bind_null(s_, i));
}

bool Stmt::Step() {
  const int rc = sqlite3_step(s_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_.Fail(sql_);
}

void Stmt::Run() {
  while (Step()) {
  }
}

bool Stmt::IsNull(int col) const {
  return sqlite3_column_type(s_, col) == SQLITE_NULL;
}

std::int64_t Stmt::Int(int col) const {
  return sqlite3_column_int64(s_, col);
}

double Stmt::Real(int col) const {
  return sqlite3_column_double(s_, col);
}

std::string Stmt::Text(int col) const {
  const auto* p = sqlite3_column_text(s_, col);
  const int n = sqlite3_column_bytes(s_, col);
  return p && n > 0 ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n))
                    : std::string();
}

std::string Stmt::Blob(int col) const {
  const void* p = sqlite3_column_blob(s_, col);
  const int n = sqlite3_column_bytes(s_, col);
  return p && n > 0 ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n))
                    : std::string();
}

bool Database::InTransaction() const noexcept {
  return sqlite3_get_autocommit(db_) == 0;
}

WriteTransaction::WriteTransaction(Database& db) : db_(db), outer_(!db.InTransaction()) {
  if (outer_) {
    db_.NoteTransactionBoundary();
    db_.Exec("BEGIN IMMEDIATE");
  }
}

WriteTransaction::~WriteTransaction() {
  if (outer_ && !done_) {
    sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    db_.NoteTransactionBoundary();
    // What objects read inside the rolled-back work is stale now.
    db_.NoteWrite();
  }
}

void WriteTransaction::Commit() {
  if (done_) return;
  if (!outer_) {
    // Joined an outer transaction: objects holding copies must still see
    // this change before the outer one commits.
    db_.NoteWrite();
    return;
  }
  db_.Exec("COMMIT");
  done_ = true;
  db_.NoteTransactionBoundary();
  db_.NoteWrite();
}

ReadTransaction::ReadTransaction(Database& db)
    : db_(db), outer_(sqlite3_get_autocommit(db.Handle()) != 0) {
  if (outer_) {
    db_.NoteTransactionBoundary();
    db_.Exec("BEGIN");
  }
}

ReadTransaction::~ReadTransaction() {
  if (outer_) {
    sqlite3_exec(db_.Handle(), "COMMIT", nullptr, nullptr, nullptr);
    db_.NoteTransactionBoundary();
  }
}

}  // namespace velmora::posix::sql
