// Starting another program detached from the caller, as a launcher must: in
// a session of its own (no terminal, no signals from ours), standard streams
// on /dev/null, and not our child, so nothing is left to reap.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::posix {

// Returns once the program runs (exec has succeeded). Raises HostError with
// the reason when it could not be run.
void SpawnDetached(const std::filesystem::path& program, const std::vector<std::string>& args);

// The folder of the running executable; empty when it cannot be told.
std::filesystem::path SelfFolder();

// The executable `name` in `beside` when there is one, else the first on
// PATH (absolute entries only: an empty or relative entry would run whatever
// lies in the current folder); nothing when neither has it.
std::optional<std::filesystem::path> FindProgram(std::string_view name,
                                                 const std::filesystem::path& beside);

}  // namespace velmora::posix
