// The sub-commands of the velmora program. Each lives in a file of its own
// and registers itself here; main builds the command line from the table.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::cli {

// Wrong or missing options. main prints the message on one line and exits
// with status 2; the message names the option at fault.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// True when the option was given on the command line.
inline bool Given(const CLI::Option* o) {
  return o && o->count() > 0;
}

class Command {
 public:
  virtual ~Command() = default;
  // Declares the command's options on its own sub-command.
  virtual void Define(CLI::App& sub) = 0;
  // Checks the parsed options before anything touches the disk; raises
  // UsageError for a value out of range or options that do not fit together.
  virtual void Validate() {}
  // True when the command, as its options stand, only reads the store and
  // the registry: it then also works in a home the user cannot write to.
  virtual bool ReadsOnly() const { return false; }
  // Runs once the options are valid and the host's services are installed;
  // returns the exit status.
  virtual int Run(std::ostream& out) = 0;
};

struct CommandInfo {
  std::string name;
  std::string description;
  std::function<std::unique_ptr<Command>()> make;
};

// Called from a static initialiser in the command's own file.
bool RegisterCommand(CommandInfo info);
const std::vector<CommandInfo>& Commands();

}  // namespace velmora::cli
