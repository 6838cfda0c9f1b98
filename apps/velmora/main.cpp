// The velmora program of the standalone host: parses the command line, hands
// over to the chosen sub-command, and lets nothing escape. Exit status: 0
// done, 1 failed, 2 bad command line.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "apps/velmora/command.h"
#include "apps/velmora/host_services.h"
#include "platform/posix/paths.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Main(int argc, char** argv) {
  using velmora::cli::Command;
  CLI::App app("Schedules mail on the standalone Velmora host.", "velmora");
  app.require_subcommand(1);
  app.set_version_flag("--version", std::to_string(VELMORA_VERSION_MAJOR) + "." +
                                        std::to_string(VELMORA_VERSION_MINOR) + "." +
                                        std::to_string(VELMORA_VERSION_PATCH));

  struct Entry {
    CLI::App* sub;
    std::unique_ptr<Command> command;
  };
  std::vector<Entry> entries;
  for (const velmora::cli::CommandInfo& info : velmora::cli::Commands()) {
    Entry e{app.add_subcommand(info.name, info.description), info.make()};
    e.command->Define(*e.sub);
    entries.push_back(std::move(e));
  }

  // A word where the command belongs that names none: say so plainly.
  if (argc > 1 && argv[1][0] != '-') {
    bool known = false;
    for (const Entry& e : entries)
      known = known || e.sub->check_name(argv[1]);
    if (!known) {
      std::cerr << "velmora: unknown command '" << argv[1] << "' (velmora --help lists them)\n";
      return kUsage;
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "velmora: " << e.what() << "\n";
    return kUsage;
  }

  for (Entry& e : entries) {
    if (!e.sub->parsed()) continue;
    try {
      e.command->Validate();
    } catch (const velmora::cli::UsageError& u) {
      std::cerr << "velmora " << e.sub->get_name() << ": " << u.what() << "\n";
      return kUsage;
    }
    // A home the user cannot write to still shows what it holds; a command
    // that must write there says why it cannot, before it changes anything.
    if (const auto readOnly = velmora::posix::ReadOnlyHome(); readOnly && !e.command->ReadsOnly()) {
      std::cerr << "velmora " << e.sub->get_name() << ": " << readOnly->string()
                << " is read-only; this command must write there (velmora list and velmora "
                   "config --show still work)\n";
      return kUsage;
    }
    velmora::cli::HostServices services;
    // Some input can only be judged with the user's settings and store at
    // hand (a time in the regional settings, an entry id): still a usage error.
    try {
      return e.command->Run(std::cout);
    } catch (const velmora::cli::UsageError& u) {
      std::cerr << "velmora " << e.sub->get_name() << ": " << u.what() << "\n";
      return kUsage;
    }
  }
  return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  // Firewall: whatever goes wrong ends as one line and a failed status.
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "velmora: error: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "velmora: error: internal error\n";
  }
  return kFailed;
}
