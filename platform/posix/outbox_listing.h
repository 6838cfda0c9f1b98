// The Outbox as `velmora list --outbox` shows it: each mail with where it
// stands, so that a mail held back because it may already have been sent is
// in plain sight, not lost among the mails waiting for the next send/receive.
#pragma once

#include <string>
#include <vector>

namespace velmora::posix {

class MailStore;

enum class OutboxState {
  kWaiting,       // submitted: the next send/receive sends it
  kUnderway,      // being handed over, or left so by a host that died
  kHeld,          // may already have been sent: waits for the user to resend it
  kNotSubmitted,  // lies in the Outbox unsent (`velmora resend` submits it)
};

struct OutboxEntry {
  std::string entryId;
  std::string to;
  std::string subject;
  OutboxState state = OutboxState::kWaiting;
};

// The Outbox's mails in their order, read in one snapshot.
std::vector<OutboxEntry> ListOutbox(MailStore& store);

// "waiting", "underway", "held", "not submitted".
const char* OutboxStateName(OutboxState state);
// The state in words for a person.
const char* OutboxStateText(OutboxState state);

// One JSON array with an object per entry: entryId, to, subject, state (its name).
std::string OutboxJson(const std::vector<OutboxEntry>& entries);

}  // namespace velmora::posix
