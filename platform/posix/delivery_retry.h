// Retrying mails that a send/receive could not deliver: while failed mails
// wait in the Outbox, the next attempt comes after a growing delay (1, 2, 5
// and 10 minutes, then every 30), the time is kept in the store so that
// `velmora list --outbox` shows it and a later host goes on counting, and the
// next due time the launcher watches is never later than that attempt.
#pragma once

#include <optional>

#include "common/datetime.h"

namespace velmora::posix {

class MailStore;

struct RetryState {
  int attempt = 0;             // attempts made since the last send/receive without failure
  std::optional<DateTime> at;  // when the next one is due; none when nothing waits
};

// Minutes before retry number `attempt` (1 for the first).
int RetryDelayMinutes(int attempt);

RetryState LoadRetry(MailStore& store);

// After a send/receive: with mails still waiting, the next attempt is planned
// and returned; without, the plan is cleared.
std::optional<DateTime> PlanRetry(MailStore& store, bool mailsWaiting, DateTime now);

// Moves "NextOccurence" back to `retry` when it is later or empty.
void KeepNextOccurenceBefore(std::optional<DateTime> retry);

}  // namespace velmora::posix
