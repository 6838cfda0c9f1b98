#include "apps/velmora/command.h"

namespace velmora::cli {

namespace {

// Built on first use, so the order in which the commands' files initialise
// does not matter.
std::vector<CommandInfo>& Table() {
  static std::vector<CommandInfo> table;
  return table;
}

}  // namespace

bool RegisterCommand(CommandInfo info) {
  Table().push_back(std::move(info));
  return true;
}

const std::vector<CommandInfo>& Commands() {
  return Table();
}

}  // namespace velmora::cli
