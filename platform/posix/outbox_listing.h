// The Outbox as `velmora list --outbox` shows it: each mail with where it
// stands, so that a mail held back because it may already have been sent is
// in plain sight, not lost among the mails waiting for the next send/receive.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/datetime.h"

namespace velmora::posix {

class MailStore;

enum class OutboxState {
  kWaiting,       // submitted: the next send/receive sends it
  kUnderway,      // being handed over, or left so by a host that died
  kHeld,          // may already have been sent: waits for the user to resend it
  kNotSubmitted,  // lies in the Outbox unsent (`velmora resend` submits it)
};

// The user property a mail carries when it left without some of its
// attachment sources: the sources, separated by "; ".
inline constexpr const char* kMissingSourcesProperty = "MissingSources";

struct OutboxEntry {
  std::string entryId;
  std::string to;
  std::string subject;
  OutboxState state = OutboxState::kWaiting;
  std::string missingSources;           // empty when every source gave its file
  std::optional<DateTime> sentTime;     // Sent Items only: when it left
  std::optional<DateTime> nextAttempt;  // a waiting mail after a failed delivery: its next try
};

// The Outbox's mails in their order, read in one snapshot.
std::vector<OutboxEntry> ListOutbox(MailStore& store);
// The mails in Sent Items, oldest first; `state` is not used.
std::vector<OutboxEntry> ListSent(MailStore& store);
// The mails in Drafts (where `velmora cancel` puts a mail); `state` is not used.
std::vector<OutboxEntry> ListDrafts(MailStore& store);

// "waiting", "underway", "held", "not submitted".
const char* OutboxStateName(OutboxState state);
// The state in words for a person.
const char* OutboxStateText(OutboxState state);

// One JSON array with an object per entry: entryId, to, subject; for the
// Outbox state (its name), nextAttempt and nextAttemptText (null when none
// is planned) and missingSources; for Sent Items sentTime, sentTimeText and
// missingSources. Times are spelt as the scheduled listing spells
// scheduleTime: ISO 8601 in the plain field, the regional settings' text in
// the one ending in "Text".
enum class MailFolderKind { kOutbox, kSent, kDrafts };
std::string OutboxJson(const std::vector<OutboxEntry>& entries,
                       MailFolderKind kind = MailFolderKind::kOutbox);

}  // namespace velmora::posix
