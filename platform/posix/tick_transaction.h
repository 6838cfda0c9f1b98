// Timers whose every tick runs inside one write transaction of the mail
// store. A sending pass changes many items (re-stamped schedules, copies,
// moves to the Outbox, submission); if the process dies in the middle, the
// store must look as before the pass, never half through it (a copy left with
// a live schedule would repeat the series). A tick that fails is rolled back
// too. Work the tick posts (the send/receive) runs later, outside it, with its
// own commits.
//
// What the tick writes to the registry (the next due time the tray launcher
// watches) is a batch committed only after the store: a process that dies
// before leaves the registry as it was, never telling of a next due time
// that the rolled-back store does not have.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/timer.h"

namespace velmora::posix {

namespace sql {
class Database;
}
class SqliteRegistry;

struct TickOptions {
  // The registry whose writes join the tick; none: they commit one by one.
  SqliteRegistry* registry = nullptr;
  // Run inside the tick's transactions: before the tick, and after a tick
  // that did not fail.
  std::function<void()> beforeTick;
  std::function<void()> beforeCommit;
  // Told why a tick failed and was rolled back (a full disk, a store that
  // stayed locked), so that it reaches a person and not only the log.
  std::function<void(const std::string&)> onFailure;
};

class TransactionalTimers final : public TimerFactory {
 public:
  // All must outlive the timers made here.
  TransactionalTimers(TimerFactory& inner, sql::Database& db, TickOptions options = {})
      : inner_(inner), db_(db), options_(std::move(options)) {}
  std::unique_ptr<Timer> CreateTimer() override;

 private:
  TimerFactory& inner_;
  sql::Database& db_;
  TickOptions options_;
};

}  // namespace velmora::posix
