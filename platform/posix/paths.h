// Where the standalone host keeps its per-user files: VELMORA_HOME when set,
// else ~/.velmora, for every command and the launcher alike. Folders are
// created private to the user (0700).
#pragma once

#include <filesystem>
#include <optional>

namespace velmora::posix {

// The user's home for the host's data (store, Maildir): VELMORA_HOME, else
// ~/.velmora.
std::filesystem::path DataHome();
// Configuration (registry database): the same folder.
std::filesystem::path ConfigHome();
// State (log files, locks): the same folder.
std::filesystem::path StateHome();
// The home folder, or its store or registry file, when this user cannot
// write to it: then only reading commands work, and they open the files for
// reading only. Nothing when all is writable, or the home does not exist yet.
std::optional<std::filesystem::path> ReadOnlyHome();
// Creates the folder (and parents) if missing, mode 0700 for what it creates.
void EnsurePrivateDir(const std::filesystem::path& dir);
// Creates the file (and its folder) if missing and makes it private (0600),
// whoever made it, before a database opens it: the journal files SQLite adds
// take the database file's mode. False, with errno set, when it cannot be
// opened.
bool CreatePrivateFile(const std::filesystem::path& path);

}  // namespace velmora::posix
