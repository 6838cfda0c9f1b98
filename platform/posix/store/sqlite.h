// Thin RAII layer over SQLite for the mail store: a connection with a cache of
// prepared statements, statements that reset themselves, and transactions
// that roll back unless committed. Every failure raises a HostError.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace velmora::posix::sql {

// How long a connection waits for another one's lock before it gives up.
inline constexpr int kBusyTimeoutMs = 5000;

// The path as an SQLite URI ("file:...?query"), every byte that could be
// read as part of the URI syntax escaped.
std::string FileUri(const std::filesystem::path& path, const char* query);

// True when the connection's last failure was that a read-only connection
// could not make or use the files a WAL database is read through.
bool CannotReadWal(sqlite3* db) noexcept;

// True when the connection's last failure was another connection's lock.
bool IsBusy(sqlite3* db) noexcept;

class Database;

// A prepared statement borrowed from the connection's cache (or owned, when
// the cached one is already in use). Reset and unbound at the end of its scope.
class Stmt {
 public:
  Stmt(Database& db, const char* sql);
  ~Stmt();
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  Stmt& Bind(int i, std::int64_t v);
  Stmt& Bind(int i, int v) { return Bind(i, static_cast<std::int64_t>(v)); }
  Stmt& Bind(int i, double v);
  Stmt& Bind(int i, std::string_view text);
  Stmt& Bind(int i, const char* text) { return Bind(i, std::string_view(text)); }
  Stmt& Bind(int i, const std::string& text) { return Bind(i, std::string_view(text)); }
  Stmt& BindBlob(int i, std::string_view bytes);
  Stmt& BindNull(int i);

  // True for a row, false when done; raises on an error.
  bool Step();
  // Runs a statement that returns no rows.
  void Run();

  bool IsNull(int col) const;
  std::int64_t Int(int col) const;
  double Real(int col) const;
  std::string Text(int col) const;
  std::string Blob(int col) const;

 private:
  Stmt& Check(int rc);
  Database& db_;
  sqlite3_stmt* s_ = nullptr;
  bool owned_ = false;
  std::string sql_;
};

class Database {
 public:
  // ":memory:" opens a private in-memory database. A file is created private
  // to the user (0600, in a 0700 folder), in WAL mode, waiting up to
  // kBusyTimeoutMs for another connection's write lock. Raises when it cannot
  // open. `readOnly` opens an existing file for reading only, creating and
  // changing nothing beside it (for a home the user cannot write to); every
  // write then fails.
  static std::unique_ptr<Database> Open(const std::filesystem::path& path, bool readOnly = false);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void Exec(const char* sql);
  std::int64_t LastInsertId() const;
  int Changes() const;
  bool InMemory() const noexcept { return inMemory_; }
  bool ReadOnly() const noexcept { return readOnly_; }
  // True while a transaction is open on this connection.
  bool InTransaction() const noexcept;
  // Changes whenever this or another connection committed a change, so that
  // objects holding a copy of stored data know when to read it again.
  // Inside a transaction no other connection's change can show, so it asks
  // SQLite once per transaction.
  std::uint64_t Generation();
  // Called by write transactions when they commit.
  void NoteWrite() noexcept { ++localWrites_; }
  // Called when this connection's outermost transaction begins or ends.
  void NoteTransactionBoundary() noexcept { othersInTransaction_.reset(); }

  [[noreturn]] void Fail(std::string_view what) const;
  sqlite3* Handle() const noexcept { return db_; }

 private:
  friend class Stmt;
  Database(sqlite3* db, bool inMemory, bool readOnly)
      : db_(db), inMemory_(inMemory), readOnly_(readOnly) {}
  static std::unique_ptr<Database> OpenReadOnly(const std::filesystem::path& path);
  sqlite3_stmt* Borrow(const std::string& sql, bool& owned);
  void Return(const std::string& sql, sqlite3_stmt* s, bool owned) noexcept;

  struct Cached {
    sqlite3_stmt* stmt = nullptr;
    bool inUse = false;
  };
  sqlite3* db_;
  bool inMemory_;
  bool readOnly_;
  std::uint64_t localWrites_ = 0;
  // Other connections' changes as the open transaction's snapshot sees them.
  std::optional<std::uint64_t> othersInTransaction_;
  std::unordered_map<std::string, Cached> cache_;
};

// Runs `step` again while it fails on another connection's lock, up to the
// busy timeout. For the few steps SQLite's busy handler does not cover: the
// journal mode switch and the first read of a file another process is
// creating or checkpointing.
void RetryWhileBusy(Database& db, const std::function<void()>& step);

// A write transaction. IMMEDIATE takes the write lock at once, so that two
// processes never deadlock upgrading a read lock; a busy lock is waited for.
// Rolled back unless committed. Transactions do not nest: an inner one joins
// the outer.
class WriteTransaction {
 public:
  explicit WriteTransaction(Database& db);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  void Commit();

 private:
  Database& db_;
  bool outer_;
  bool done_ = false;
};

// A consistent snapshot for reads made of several statements.
class ReadTransaction {
 public:
  explicit ReadTransaction(Database& db);
  ~ReadTransaction();
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  Database& db_;
  bool outer_;
};

}  // namespace velmora::posix::sql
