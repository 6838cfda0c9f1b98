// `velmora run`: the standalone host with the add-in loaded as the host loads
// it. One host per user (the host lock); the store opened with the event loop
// as its dispatcher and the configured transport; the add-in registered,
// connected and started over one explorer; every timer tick of the add-in in
// one store transaction; mails an earlier run left submitted in the Outbox
// sent first. Runs until the last explorer closes (the send-and-exit path)
// or SIGINT/SIGTERM, then shuts the add-in down as the host would.
#pragma once

#include <filesystem>
#include <iostream>
#include <ostream>

namespace velmora::posix {

struct RuntimeOptions {
  // Writes "SendAndExit" = "1" first, as the tray launcher does.
  bool sendAndExit = false;
  // Progress lines; nullptr keeps the host quiet.
  std::ostream* progress = nullptr;
  // Message boxes and refusals.
  std::ostream* errors = &std::cerr;
};

// Exit statuses of Run.
inline constexpr int kRunDone = 0;
inline constexpr int kRunRefused = 1;  // another host runs, or the host could not start
// --send-and-exit: something due could not be delivered or saved (each
// failure was printed; the mails are kept).
inline constexpr int kRunUndelivered = 3;

// The services (clock, locale, registry, settings, files, log folder) must be
// installed; Run installs the add-in's own ports for its duration.
int RunHost(const RuntimeOptions& options);

}  // namespace velmora::posix
