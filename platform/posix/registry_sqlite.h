// The registry of the standalone host: a per-user SQLite database holding a
// tree of keys under the three roots, with typed values, case-insensitive
// names and access-checked handles, as the Windows registry behaves.
//
// Enumeration order: subkeys and values alike come in the order of their
// upper-cased names (Windows gives subkeys in that order too). Several
// processes may share one file: every write is a transaction and a busy file
// is waited for.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "common/registry_backend.h"

struct sqlite3;

namespace velmora::posix {

class SqliteRegistry final : public RegistryBackend {
 public:
  // Opens (creating when missing, mode 0600 in a 0700 folder) the database at
  // the path; ":memory:" gives a private in-memory registry. Never throws: a
  // database that cannot be opened leaves a registry whose every operation
  // fails, and Ok() false. `readOnly` reads an existing database and writes
  // nothing beside it (every write fails); a missing one reads as empty.
  explicit SqliteRegistry(const std::filesystem::path& path, bool readOnly = false);
  ~SqliteRegistry() override;
  SqliteRegistry(const SqliteRegistry&) = delete;
  SqliteRegistry& operator=(const SqliteRegistry&) = delete;

  // ConfigHome()/registry.db.
  static std::filesystem::path DefaultPath();

  bool Ok() const noexcept { return db_ != nullptr; }
  // Why the database could not be opened, or the last failed statement.
  const std::string& LastError() const noexcept { return lastError_; }

  RegKey Open(RegKey parent, std::string_view subkey, std::uint32_t access, bool create) override;
  bool Close(RegKey key) override;
  bool SetValue(RegKey key, std::string_view name, const RegValue& value) override;
  std::optional<RegValue> GetValue(RegKey key, std::string_view name) override;
  bool DeleteValue(RegKey key, std::string_view name) override;
  bool DeleteSubKey(RegKey key, std::string_view name) override;
  std::optional<std::string> EnumValue(RegKey key, std::uint32_t index) override;
  std::optional<std::string> EnumKey(RegKey key, std::uint32_t index) override;
  bool Flush(RegKey key) override;

  // Writes from BeginBatch to EndBatch are one transaction holding the
  // file's write lock: they reach the file only with EndBatch(true), so a
  // process that dies in between leaves the registry as before. BeginBatch
  // is false when the lock could not be had (writes then commit one by one)
  // or a batch is open; EndBatch(true) is false when the commit failed, and
  // the batch is rolled back then.
  bool BeginBatch();
  bool EndBatch(bool commit);

  // Windows' limits: a tree 512 keys deep, key names of 255 characters,
  // value names of 16383.
  static constexpr int kMaxDepth = 512;
  static constexpr std::size_t kMaxKeyName = 255;
  static constexpr std::size_t kMaxValueName = 16383;

 private:
  struct DbClose {
    void operator()(sqlite3* db) const noexcept;
  };
  struct Handle {
    std::int64_t keyId;
    std::uint32_t access;
  };

  // True when opening failed only because another process held the file.
  bool OpenDatabase(const std::filesystem::path& path);
  bool OpenReadOnly(const std::filesystem::path& path);
  std::optional<Handle> Find(RegKey key) const;
  // The key under `from` at the path; nothing when a part is missing.
  std::optional<std::int64_t> Walk(std::int64_t from, std::string_view path);
  RegKey NewHandle(std::int64_t keyId, std::uint32_t access);
  void Fail(std::string_view what);

  std::unique_ptr<sqlite3, DbClose> db_;
  std::string lastError_;
  std::unordered_map<RegKey, Handle> handles_;
  RegKey nextHandle_ = 1;
};

}  // namespace velmora::posix
