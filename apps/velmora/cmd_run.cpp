// velmora run: the standalone host, with the add-in loaded, sending what falls
// due until it is stopped (Ctrl-C, SIGTERM) or, with --send-and-exit, until
// what was due has been sent.
#include <unistd.h>

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "apps/velmora/command.h"
#include "platform/posix/host_runtime.h"

namespace velmora::cli {

namespace {

class RunCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    sub.add_flag("--send-and-exit", sendAndExit_,
                 "Send what is due, wait for the delivery, then exit (what orbitel starts)");
    sub.add_flag("--verbose", verbose_, "Print progress even when stdout is not a terminal");
  }

  int Run(std::ostream& out) override {
    posix::RuntimeOptions options;
    options.sendAndExit = sendAndExit_;
    // Progress is for a person watching; a detached or piped host stays quiet.
    if (verbose_ || ::isatty(STDOUT_FILENO)) options.progress = &out;
    options.errors = &std::cerr;
    return posix::RunHost(options);
  }

 private:
  bool sendAndExit_ = false;
  bool verbose_ = false;
};

[[maybe_unused]] const bool kRegistered =
    RegisterCommand({"run", "Run the mail host: send scheduled mails as they fall due",
                     [] { return std::make_unique<RunCommand>(); }});

}  // namespace

}  // namespace velmora::cli
