// The mail store's tables and their version (PRAGMA user_version): creates a
// new store with its root and default folders, and upgrades older ones.
#pragma once

#include "platform/posix/store/sqlite.h"

namespace velmora::posix {

inline constexpr int kStoreSchemaVersion = 3;

// Creates or upgrades the schema in one transaction. Raises for a store
// written by a newer program, which this one must not touch.
void PrepareSchema(sql::Database& db);

}  // namespace velmora::posix
